<FreeText FormatVersion="">
	<Chars Value="a"/>
</FreeText>
