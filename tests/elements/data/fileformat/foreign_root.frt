<Text FormatVersion="1.2">
	<Chars Value="from a rich text"/>
	<Star/>
</Text>
