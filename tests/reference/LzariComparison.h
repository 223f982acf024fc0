// Decodes one block with the program's LZARI decoder and with the reference decoder and names what differs.
#pragma once

#include <cstdint>
#include <string>

#include "i18n/Lzari.h"
#include "reference/LzariReference.h"

// Runs both decoders over the first `sourceSize` bytes of `block` into buffers of `capacity` bytes (with guard
// bytes behind), as the loader runs one: the source size and capacity set first. The decoders may be fresh or
// used before, so a decode that follows another can be compared too. Returns "" when the stored bytes, the guard
// bytes, the stated length and every field of the two decoders' state agree; otherwise the first that differs.
std::string CompareWithReference(LzariDecoder& decoder,
                                 ReferenceLzariDecoder& reference,
                                 const uint8_t* block,
                                 uint32_t sourceSize,
                                 uint32_t capacity);
