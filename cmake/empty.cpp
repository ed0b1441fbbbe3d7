// Keeps a library target valid while its folders add no sources of their own.
