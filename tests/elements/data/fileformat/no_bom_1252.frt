<FreeText FormatVersion="1.2">
	<Chars Value="€ 5 und ä"/>
</FreeText>
