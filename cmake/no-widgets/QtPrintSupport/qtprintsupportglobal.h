// Shadows Qt's own header for the formats library, which links no widget module.
#error "the formats library uses no QtPrintSupport header"
