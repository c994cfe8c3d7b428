<FreeText FormatVersion="1.2">
	<Chars Value="x"/>
	<Method A="1">
		<X/>
		<Y B="&lt;&amp;&quot;"/>
	</Method>
	<Class Name="renamed but not accepted"/>
	<Star/>
</FreeText>
