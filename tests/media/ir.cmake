# Tests of the IR commands.
