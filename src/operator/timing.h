#pragma once

#include <chrono>

namespace quillon {

// Every time limit of the host in one place. The defaults are what ships; tests may
// shorten them to keep the suite fast.
struct Timing {
  using ms = std::chrono::milliseconds;

  ms byteWait{199};           // for an input byte to arrive, or the output to drain
  ms transfer{1000};          // one byte read or written
  ms replyGap{500};           // a later reply byte that is a ready byte means a reset
  ms readySilence{6000};      // idle link without a ready byte is lost
  ms handshake{30000};        // queued status handshake answered only by ready bytes
  ms operationByte{1000};     // a flash operation gives up on one reply byte
  ms lockPause{100};          // between lock or remap bytes
  ms chipEraseStatus{30000};  // for the chip erase status byte: erasing the whole chip is slow
  ms timerTick{500};          // main window timer
  ms connect{3000};           // a port server's TCP connection to be made
  ms optionAck{300};          // a port server to acknowledge the line settings at open
};

}  // namespace quillon
