<FreeText FormatVersion="1.2" Foo="1">
	<Chars Value="one"/><Br/>
	<Chars Value="two" Bold="1"/><Br/>
	<Star Disabled="1"/>
	<Rockfall Disabled="1" Color="red">
		<Condition Value="c" Extra="e"/>
		<Extra>
			<Deep A="1"/>
		</Extra>
		<Condition Value="duplicate"/>
	</Rockfall>
	<Title Value="T"/>
	<Title Value="second title"/>
</FreeText>
