<FreeText FormatVersion="1.2">
	<Chars Value="Quorvane sample: a plain text document"/><Br/><Br/>
	<Chars Value="Quorvane edits documents that are trees of elements."/><Br/>
	<Chars Value="Plain text is the simplest of its document types: paragraphs of characters, kept as they were typed."/><Br/>
	<Chars Value="The other document types hold program modules, resources, rich text, structured data and command files."/><Br/><Br/>
	<Chars Value="A tab keeps its place:&#9;like this."/><Br/>
	<Chars Value="Characters beyond the first 65,536 are kept as well: 𝖰 (U+1D5B0) and 😀 (U+1F600)."/><Br/><Br/>
	<Chars Value="This file is a sample: change it freely and save a copy of your own."/>
</FreeText>
