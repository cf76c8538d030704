#pragma once

#include "cli/command.h"
#include <memory>
#include <vector>

// Every command, in the order the help lists them, each with its options in its own parser.
std::vector<std::unique_ptr<Command>> commands(bool terminal);
