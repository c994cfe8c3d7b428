<FreeText FormatVersion="1.2">
	<Chars Value="Hello,"/><Br/>
	<Chars Value="world&#9;!"/>
</FreeText>
