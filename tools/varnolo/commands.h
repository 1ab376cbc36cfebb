// The command families of the varnolo tool; each adds its subcommands.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace varnolo::cli {

// The work a subcommand's callback chose; main runs it after parsing and
// returns its value as the exit status.
using CommandRun = std::function<int()>;

void AddStatusCommand(CLI::App& app, CommandRun& run);
// config, clock, texts, cashier, rates, options
void AddSettingsCommands(CLI::App& app, CommandRun& run);
void AddGoodsCommands(CLI::App& app, CommandRun& run);
// sell and the other checks
void AddDocumentCommands(CLI::App& app, CommandRun& run);
// reports, shift, totals, tape
void AddReportCommands(CLI::App& app, CommandRun& run);
// display, drawer, device test
void AddDeviceCommands(CLI::App& app, CommandRun& run);
// doctor: finding the register, for technicians
void AddDoctorCommand(CLI::App& app, CommandRun& run);

// The keys that sell --file accepts, for the help texts.
std::string CheckFileKeysHelp();

}  // namespace varnolo::cli
