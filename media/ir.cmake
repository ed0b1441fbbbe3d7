# Sources of the IR commands (codec, serial transmitter, IR dialog).
