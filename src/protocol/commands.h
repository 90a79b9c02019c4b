#pragma once

#include <cstdint>

namespace quillon {

// The boot loader's command codes and the bytes it sends on its own.
inline constexpr std::uint8_t QRV_CMD_CHIP_ERASE = 0x01;
inline constexpr std::uint8_t QRV_CMD_REMAP = 0x02;
inline constexpr std::uint8_t QRV_CMD_LOCK = 0x04;
inline constexpr std::uint8_t QRV_CMD_READ_STATUS = 0x05;
inline constexpr std::uint8_t QRV_CMD_WRITE = 0x06;
inline constexpr std::uint8_t QRV_CMD_ERASE = 0x0B;
inline constexpr std::uint8_t QRV_CMD_READ = 0x0C;
inline constexpr std::uint8_t QRV_CMD_BURST_WRITE = 0x0E;
inline constexpr std::uint8_t QRV_CMD_READ_ID = 0x60;
inline constexpr std::uint8_t QRV_IDLE = 0x61;
inline constexpr std::uint8_t QRV_CMD_RUN = 0x62;
inline constexpr std::uint8_t QRV_READY = 0xF7;

// Operands of the status and run commands in the queued link.
inline constexpr std::uint8_t QRV_STATUS_OPERAND = 0x55;
inline constexpr std::uint8_t QRV_RUN_OPERAND = 0x62;

// Acknowledge of erase and write commands.
inline constexpr std::uint8_t QRV_DONE = 0xC0;

}  // namespace quillon
