<?xml version="1.0" encoding="UTF-8"?>
<FreeText FormatVersion="1.2">
	<Chars Value="a"/>
</FreeText>
