<FreeText FormatVersion="1.02">
	<Chars Value="a"/>
</FreeText>
