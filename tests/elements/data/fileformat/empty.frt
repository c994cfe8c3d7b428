<FreeText FormatVersion="1.2"/>
