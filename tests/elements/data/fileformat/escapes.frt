<FreeText FormatVersion="1.2">
	<Chars Value="a&lt;b&amp;c&quot;d&gt;e&apos;f&amp;lt;g&#9;h&#x41;" Data="x y"/>
	<Chars Value=unquoted/>
	<Chars Value="nul&#0;end"/>
</FreeText>
