<FreeText FormatVersion="1.2" Caption="inline caption">
	<Title Value="The title"/>
	<Chars Value="text"/><Br/>
	<Note Disabled="1">
		<Star/>
		<Note/>
	</Note>
	<Rockfall>
		<Condition/>
	</Rockfall>
	<Data/>
</FreeText>
