// quenbus check: what is wrong with the bus configuration, one problem a
// line with its node and the fix, and what the I/O trace's recent failures
// say. 0 when nothing is found, 1 otherwise.
#pragma once

#include <ostream>
#include <string>
#include <vector>

int CheckCommand(std::ostream& out);

// The problems found, each "NODE (NAME): what; fix".
std::vector<std::string> FindProblems();
