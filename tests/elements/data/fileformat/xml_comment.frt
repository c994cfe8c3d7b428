<FreeText FormatVersion="1.2">
	<Chars Value="before"/>
	<!-- a comment -->
	<Chars Value="after"/>
</FreeText>
