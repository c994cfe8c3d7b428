<FreeText FormatVersion="1.2">
	<Chars Value="Quorvane tour: the elements of a plain text document"/><Br/><Br/>
	<Comment>
		<Chars Value="A comment stands beside the text. The palette above the sheet inserts comments, logic frames, signs and tables at the caret."/>
	</Comment><Br/>
	<Chars Value="Signs mark a line at a glance: "/>
	<Information/>
	<Chars Value=" note "/>
	<Important/>
	<Chars Value=" warning "/>
	<Question/>
	<Chars Value=" open question "/>
	<Stop/>
	<Chars Value=" stop "/>
	<Star/>
	<Chars Value=" highlight "/>
	<Ready/>
	<Chars Value=" done"/><Br/><Br/>
	<LogicFrame>
		<Caption>
			<Chars Value="Before a release"/>
		</Caption>
		<Content>
			<Chars Value="Run every test, then build the packages."/><Br/>
			<Chars Value="A logic frame folds away with its button: View › Collapse All (Ctrl+Shift+J)."/>
		</Content>
	</LogicFrame><Br/><Br/>
	<Chars Value="A table holds cells of text:"/><Br/>
	<Table>
		<Row>
			<Cell>
				<Chars Value="Element"/>
			</Cell>
			<Cell>
				<Chars Value="What it is for"/>
			</Cell>
		</Row>
		<Row>
			<Cell>
				<Chars Value="Comment"/>
			</Cell>
			<Cell>
				<Chars Value="A note beside the text, kept in the file"/>
			</Cell>
		</Row>
		<Row>
			<Cell>
				<Chars Value="Logic frame"/>
			</Cell>
			<Cell>
				<Chars Value="A titled group that folds away"/>
			</Cell>
		</Row>
		<Row>
			<Cell>
				<Chars Value="Sign"/>
			</Cell>
			<Cell>
				<Chars Value="A small picture inside a line"/>
			</Cell>
		</Row>
	</Table><Br/>
	<Chars Value="Find a word with Ctrl+F; F5 checks the document."/>
</FreeText>
