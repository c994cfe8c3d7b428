<FreeText FormatVersion="1.2">
	<Chars Value="a"/>stray text<Star/>
</FreeText>
