// The command families of the varnolo tool; each adds its subcommands.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace varnolo::cli {

void AddStatusCommand(CLI::App& app);
void AddSettingsCommands(CLI::App& app);  // config, clock, texts, cashier, rates, options
void AddGoodsCommands(CLI::App& app);
void AddDocumentCommands(CLI::App& app);  // sell and the other checks
void AddReportCommands(CLI::App& app);    // reports, shift, totals, tape
void AddDeviceCommands(CLI::App& app);    // display, drawer, device test

// The keys that sell --file accepts, for the help texts.
std::string CheckFileKeysHelp();

}  // namespace varnolo::cli
