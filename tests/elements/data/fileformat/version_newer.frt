<FreeText FormatVersion="1.3">
	<Chars Value="a"/>
</FreeText>
