// A SQLite file layer for the power-cut tests: a shim over the default one
// that remembers, per file, every write not yet synced, and at a chosen
// instant "loses the power": from then on no write, sync, truncation or
// deletion reaches the disk, and at the restart every write not synced
// before the cut is taken back, as a disk's cache would lose it.
//
// Registered as SQLite's default, it serves every connection of the
// process opened afterwards, the driver library's included; files outside
// the watched folder pass straight through.
#pragma once

#include <string>

namespace powercut {

// Registers the shim as the default file layer, watching `folder`.
void install(const std::string& folder);
// Puts the previous default back.
void uninstall();

// The cut comes at the `ops`-th write or sync from now in the watched folder.
void armAfter(long ops);
void disarm();
// Whether the power is off.
bool isCut();
// Takes back every write not synced before the cut and lets writes through
// again. Every connection to the watched files must be closed first.
void restart();

// Writes and syncs seen in the watched folder since install.
long writesSeen();
long syncsSeen();

}  // namespace powercut
