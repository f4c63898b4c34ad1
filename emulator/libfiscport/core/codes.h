// Result codes of the emulated printer and their short Portuguese descriptions.
#pragma once

#include <string>
#include <vector>

namespace fiscemu {

// Every refusal has its own code; 0 is success. The numbers are part of the
// library's contract (libfiscport/README.md lists them).
enum Code : int {
    kOk = 0,
    kBadFormat = 1,         // text not made of the expected characters, empty or too long
    kOutOfRange = 2,        // number, index or position outside its range
    kTaxNotProgrammed = 3,  // tax index or totaliser that does not exist or is not programmed
    kPayTypeUnknown = 4,    // payment type not programmed / not found
    kVoucherInvalid = 5,    // non-fiscal voucher position not programmed or not usable here
    kOverflow = 6,          // amount beyond the capacity of a totaliser or field
    kBadDate = 7,           // invalid date or time, or a date before the last document
    kBadFileName = 8,       // file name empty, with a path or with forbidden characters
    kFileError = 9,         // the file could not be written
    kWrongState = 12,       // command out of sequence for the printer's state
    kDayClosed = 13,        // Z reduction already done today
    kZDue = 14,             // the emulated date moved past the open day: Z reduction due
    kNotPaid = 15,          // the coupon cannot close before the payments cover its total
    kNothingToDo = 16,      // no item / no sale / nothing to discount or cancel
    kAlreadyDone = 17,      // item already cancelled, discount already given
    kCannotCancelDoc = 18,  // last document is not a coupon, was cancelled, or others followed
    kAdjustment = 19,       // subtotal adjustment already present or none to cancel
    kIntervention = 20,     // printer under technical intervention
    kPaperOut = 21,         // paper out
    kNoAuthPaper = 22,      // no document in the authentication slot
    kPaperLow = 23,         // header refused on low paper (header option 16)
    kUsersFull = 24,        // no room for another user record
    kInUse = 25,            // table position has movement in the day, cannot be reprogrammed
    kNoPendingLink = 26,    // no pending linked payment for that coupon and voucher
    kStorage = 40,          // the memory failed or cannot be opened or written
    kDamaged = 41,          // the memory is damaged or is not a printer memory: never used
    kBusy = 42,             // another process held the memory's write lock too long
    kDiskFull = 43,         // disk full or file-size limit reached
    kNoAnswer = 79,         // printer did not answer, or the model lacks the command
};

// One row of the table of result codes: the short description failure
// replies carry (no accents: "Comando fora de sequencia") and what the code
// covers, in the operator's words. The table is the one place that explains
// the codes: ecfsim's help and manual page and the front panel read it.
struct ResultCode {
    int code;
    const char* description;
    const char* meaning;
};

// Every code the library answers, in ascending order.
const std::vector<ResultCode>& resultCodes();

// The row of a code; nullptr for a code outside the table (a fault set with
// ecfsim may answer any number).
const ResultCode* findResultCode(int code);

// Short description used in failure replies ("Erro: 012 Comando fora de sequencia").
const char* codeDescription(int code);

// The failure reply text for a code: "Erro: " + three digits + " " + description.
std::string failureReply(int code);
std::string failureReply(int code, const std::string& description);

// Description of the 79 answer given to a command the emulated model lacks.
extern const char* const kUnsupportedDescription;

}  // namespace fiscemu
