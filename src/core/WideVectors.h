#pragma once

// Whether this processor runs the 64-byte vector paths of the pixel loops
// (AVX-512 F, BW and VL; for byte lookups also VBMI). Each such path gives
// the same bytes as its plain loop, which every other processor runs.
// PICTAVO_PLAIN_LOOPS set in the environment (to anything but 0) makes the
// plain loops run here too, so they are tested and measured on any machine.

namespace pictavo {

bool haveWideVectors();
bool haveWideByteLookup();
// Whether PICTAVO_PLAIN_LOOPS asks for the plain loops; read once.
bool plainLoopsForced();

}  // namespace pictavo
