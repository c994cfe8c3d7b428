<FreeText FormatVersion="1.2">
	<Chars Value="Grüße"/>
</FreeText>
