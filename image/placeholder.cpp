// Replaced by the decoder.
