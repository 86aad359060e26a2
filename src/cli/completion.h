#pragma once

#include <string>

namespace tamarack::cli {

// The bash completion of tamarack-cli, made from its table of commands: the commands, each one's
// options, the values of the options (the line's choices, the serial devices present and "sim",
// file names by their endings), the words of each form (choices, files, parameter numbers, the
// command a fleet runs). Sourced, it defines _tamarack_cli and binds it to tamarack-cli.
std::string BashCompletion();
// The zsh completion: it runs the bash one in bash and offers what that answers.
std::string ZshCompletion();

}  // namespace tamarack::cli
