// Exported procedures of libcitforms.so (filled in by the module frame).
