<FreeText FormatVersion="1.2">
	<Br/>
	<Rockfall>
		<Condition Value="c"/>
	</Rockfall><Br/>
	<Chars Value="end"/>
</FreeText>
