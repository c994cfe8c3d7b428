<FreeText FormatVersion="1.2">
	<Chars Value="Intro"/><Br/>
	<Comment Kind="2">
		<Chars Value="kept as it was"/>
	</Comment><Br/>
	<Chars Value="a" Data="x"/>
	<Chars Value="b" Data="y"/><Br/>
	<Chars Value="c&#9;d"/>
</FreeText>
