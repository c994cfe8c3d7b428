<FreeText FormatVersion="1.2">
	<Chars Value="first"/>
</FreeText>
<FreeText FormatVersion="1.2">
	<Chars Value="second"/>
</FreeText>
