#pragma once

// Whether this processor runs the 64-byte vector paths of the pixel loops
// (AVX-512 F, BW and VL; for byte lookups also VBMI). Each such path gives
// the same bytes as its plain loop, which every other processor runs.

namespace pictavo {

bool haveWideVectors();
bool haveWideByteLookup();

}  // namespace pictavo
