#pragma once

#include <QStringList>
#include <QTextStream>

namespace cut {

// Exit codes of `orvane cut`.
enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1,       // a file could not be written
    kExitBadArguments = 2, // unknown option, bad value, or a grid with no whole cell
    kExitUnreadable = 3,   // the sheet cannot be read
    kExitNoNumbers = 4,    // no longer given: a cut's numbers widen past 999
    kExitFilesExist = 5,   // target files exist and --overwrite was not given
    kExitBusy = 6,         // another cut is writing into the same folder
};

// `orvane cut ...`: `args` are the words after "cut". Needs a Qt application
// object (a core one will do) but no display.
int runCutCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// The program's entry for `orvane cut ARGUMENTS...`: a core application,
// standard output and error, the exit code.
int cutMain(const QStringList& arguments);

// The text of `orvane cut --help`.
QString cutHelp();

} // namespace cut
