# Tests of the playback service.
