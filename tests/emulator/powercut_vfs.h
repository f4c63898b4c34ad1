// A SQLite file layer for the power-cut tests: a shim over the default one
// that remembers, per file, every write not yet synced, and at a chosen
// instant "loses the power": from then on no write, sync, truncation or
// deletion reaches the disk. At the restart what was synced before the cut
// stays, and each write not synced by then reaches the disk as the crash
// model says (below), as a disk's cache would lose or tear it.
//
// Registered as SQLite's default, it serves every connection of the
// process opened afterwards, the driver library's included; files outside
// the watched folder pass straight through.
#pragma once

#include <cstdint>
#include <string>

namespace powercut {

// What becomes of the writes not synced before the cut. The models that
// tear cut each such write at 512-byte sector boundaries and, write by write
// in their order, decide each piece on its own: kept (3 in 8), lost (3 in 8)
// or filled with garbage (1 in 4), as SQLite's own crash tests do.
enum class Model {
    LoseAll,    // every unsynced write is lost whole
    Powersafe,  // garbage only in the bytes the write covered
    // Garbage reaching the whole 512-byte sector, bytes the write did not
    // cover (synced before, perhaps) included: a disk without powersafe
    // overwrite.
    WholeSector,
};
constexpr int kSectorBytes = 512;

// The model of the next restarts, and the seed of their choices. LoseAll
// until set; install() does not change it.
void setModel(Model model, uint32_t seed = 1);

// Registers the shim as the default file layer, watching `folder`.
void install(const std::string& folder);
// Puts the previous default back.
void uninstall();

// The cut comes at the `ops`-th write or sync from now in the watched
// folder, or of the file `onlyFile` (its full path) when one is named.
void armAfter(long ops, const std::string& onlyFile = std::string());
void disarm();
// Whether the power is off.
bool isCut();
// The file whose write or sync met the cut; empty while the power is on.
std::string cutFile();
// Takes back every write not synced before the cut and lets writes through
// again. Every connection to the watched files must be closed first.
void restart();

// Writes and syncs seen in the watched folder since install.
long writesSeen();
long syncsSeen();
// Sectors of unsynced writes the restarts filled with garbage since
// install, and of those the ones whose garbage reached bytes the write did
// not cover.
long sectorsTorn();
long sectorsTornBeyondWrite();

}  // namespace powercut
