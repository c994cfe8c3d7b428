<Fields FormatVersion="1.2" Bold="1" Wrap="0" Size="12.5" Face="Arial,serif" Encoding="Unicode" Color="Red">
	<Strike Value="1"/>
	<Mask Value="dd.mm.yy"/>
</Fields>
