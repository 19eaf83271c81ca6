// SPDX-License-Identifier: GPL-3.0-or-later
// brisklark-cli: parses the command line and runs one subcommand. Exit
// status 0 on success, 1 on a failure (the reason on standard error), 2 on
// bad usage (the parser's message and the usage on standard error).
#include <CLI/CLI.hpp>

#include "cli/cli_common.h"
#include "cli/cli_drives.h"
#include "cli/cli_toc.h"

int main(int argc, char** argv) {
    CLI::App app{"Audio CDs and disc images from a terminal.", "brisklark-cli"};
    app.require_subcommand(1);
    app.failure_message(CLI::FailureMessage::help);

    DrivesOptions drives;
    CLI::App* drivesCommand =
        app.add_subcommand("drives", "List the CD drives and disc images, numbered for --drive.");
    drivesCommand->add_flag("--json", drives.Json, "One JSON object per drive and line.");

    TocOptions toc;
    CLI::App* tocCommand = app.add_subcommand(
        "toc", "Show the table of contents, the disc ids and the CD-Text of a disc.");
    tocCommand->add_option("--drive", toc.Drive, "The drive's number in the drive list.")
        ->check(CLI::NonNegativeNumber);
    tocCommand->add_flag("--json", toc.Json, "One JSON object.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help asked for is a success and goes to standard output.
        return app.exit(error) == 0 ? kExitSuccess : kExitBadUsage;
    }
    if (*drivesCommand) {
        return RunDrives(drives);
    }
    return RunToc(toc);
}
