// What a backup or a restore cut short (killed, power lost) left in the backup
// folder, put right at the start of Snapmake and Snapload before anything
// else: a restore whose journal says its swap was confirmed is finished, one
// whose swap was not is undone, so the data is either the restored set whole
// or the data before it whole; a backup's staging folder goes, and with it
// the companion archives such a run had already moved out while its main
// archive never followed. Folders that a live run holds are left alone.
//
//   for (const std::string& aviso : RecuperaInterrumpidos()) show(aviso);
#pragma once

#include <string>
#include <vector>

namespace orvo::backup {

// The messages for the user, one per restore finished or undone (nothing for
// a mere leftover). Throws orvo::RuntimeError when a restore could not be
// undone; its journal stays for the next start.
std::vector<std::string> RecuperaInterrumpidos();

}  // namespace orvo::backup
