# Sources of the playback service (engine, CD track stream, media dialog).
