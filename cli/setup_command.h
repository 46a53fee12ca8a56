// quenbus setup install|uninstall|status: prepares a machine for the bus by
// calling the setup exports in the order their data needs.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

struct SetupOptions {
    std::string dll;  // empty: quenbus.cpl beside the program, else on the search path
    std::vector<std::pair<std::string, std::string>> models;  // NAME, DESCRIPTION
    std::string driver;
    std::string service = "Rumex";
    std::string display;
    bool start = true;
};

enum class SetupAction { Install, Uninstall, Status };

// "NAME=DESCRIPTION" into its two parts; false when either is empty.
bool ParseModel(const std::string& text, std::pair<std::string, std::string>& model);

// 0 done, 1 failed (what was done before the failure is reported and kept).
int SetupCommand(SetupAction action, const SetupOptions& options, std::ostream& out, std::ostream& err);
