<FreeText FormatVersion="1.2">
	<Chars Value="Quorvane sample: a plain text document"/><Br/>
	<Chars Value="Quorvane edits documents that are trees of elements. Plain text is the simplest of its document types: paragraphs of characters, kept exactly as they were typed."/><Br/>
	<Chars Value="The other document types hold program modules, resources, rich text, structured data and command files."/><Br/>
	<Chars Value="A tab keeps its place:&#9;like this."/><Br/>
	<Chars Value="Characters beyond the first 65,536 are kept as well: 𝄞 (U+1D11E) and 🌳 (U+1F333)."/><Br/>
	<Chars Value="This file is a sample: change it freely and save a copy of your own."/>
</FreeText>
