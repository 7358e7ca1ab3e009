// Windows' socket errors are the socket layer's own numbers: nothing to map.
