<FreeText>
	<Chars Value="a"/>
</FreeText>
