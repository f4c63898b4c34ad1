// The status replies, each in its fixed layout and length.
#pragma once

#include <cstdint>
#include <string>

#include "core/state.h"

namespace fiscemu {

constexpr size_t kLenStatusImp = 8, kLenStatusCupom = 67, kLenAliquota = 37, kLenPayType = 44,
                 kLenDocNF = 113, kLenEquipo = 38, kLenUser = 256, kLenTroco = 42, kLenVinc = 57,
                 kLenXSerial = 744, kLenCgcIe = 33;

std::string replyStatusImp(const PrinterState& st, const Settings& set, int64_t now);
std::string replyStatusCupom(const PrinterState& st, const Settings& set, int64_t now);
// Records by index; an index outside the table gives a failure reply, and
// the reason in *why when given.
std::string replyAliquota(const PrinterState& st, int32_t index, std::string* why = nullptr);
std::string replyPayType(const PrinterState& st, int32_t index, std::string* why = nullptr);
std::string replyDocNF(const PrinterState& st, int32_t index, std::string* why = nullptr);
std::string replyEquipo(const PrinterState& st, const Settings& set);
std::string replyUser(const PrinterState& st, int32_t user, std::string* why = nullptr);
std::string replyTroco(const PrinterState& st);
std::string replyVinc(const PrinterState& st, int32_t index, std::string* why = nullptr);
std::string replyXSerial(const PrinterState& st, const Settings& set, int64_t now);
std::string replyCgcIe(const PrinterState& st);

// Serial number of the emulated equipment (nine characters).
std::string serialNumber(const Settings& set);

}  // namespace fiscemu
