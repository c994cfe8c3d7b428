<FreeText FormatVersion="1.2">
	<Chars Value="kept"/><Br/>
	<Star/>
	<Rockfall>
		<Condition Value="x