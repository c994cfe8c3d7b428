<FreeText FormatVersion="1.2">
	<Comment>
		<Table Disabled="1">
			<Row>
				<Cell>
					<Chars Value="a1"/>
				</Cell>
				<Cell>
					<Chars Value="a2"/>
					<Star/>
				</Cell>
				<Cell>
					<Chars Value="a3"/>
				</Cell>
				<Cell>
					<Chars Value="a4"/>
				</Cell>
			</Row>
			<Row>
				<Cell>
					<Chars Value="b1"/>
				</Cell>
				<Cell>
					<Chars Value="b2"/>
				</Cell>
				<Cell>
					<Chars Value="b3"/>
				</Cell>
				<Cell>
					<Chars Value="b4"/>
				</Cell>
			</Row>
			<Row>
				<Cell>
					<Chars Value="c1"/>
				</Cell>
				<Cell>
					<Chars Value="c2"/>
				</Cell>
				<Cell>
					<Chars Value="c3"/>
				</Cell>
				<Cell>
					<Chars Value="c4"/>
				</Cell>
			</Row>
		</Table>
	</Comment>
</FreeText>
