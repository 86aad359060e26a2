#include "cli/completion.h"

#include <set>
#include <string_view>
#include <vector>

#include "cli/cli_commands.h"
#include "setup/param_table.h"

namespace tamarack::cli {
namespace {

std::vector<std::string_view> Split(std::string_view text, char at) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(at, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string Joined(const std::vector<std::string_view>& parts, std::string_view between) {
  std::string text;
  for (const std::string_view part : parts) {
    if (!text.empty()) text += between;
    text += part;
  }
  return text;
}

// "FILE.stx|FILE.json" -> "stx|json"; empty when any name will do ("FILE").
std::string Endings(std::string_view names) {
  std::vector<std::string_view> endings;
  for (const std::string_view name : Split(names, '|')) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    endings.push_back(name.substr(dot + 1));
  }
  return Joined(endings, "|");
}

// A word of a form as the script's matcher reads it.
std::string Spec(const Word& word) {
  std::string spec;
  switch (word.kind) {
    case ValueKind::kChoice:
      spec = "c:" + std::string(word.text);
      break;
    case ValueKind::kFile:
      spec = "f:" + Endings(word.text);
      break;
    case ValueKind::kFolder:
      spec = "d";
      break;
    case ValueKind::kParameter:
      spec = "p";
      break;
    case ValueKind::kCommand:
      spec = "x";
      break;
    case ValueKind::kPort:
      spec = "P";
      break;
    case ValueKind::kNone:
    case ValueKind::kText:
      spec = "t";
      break;
  }
  return word.more.empty() ? spec : spec + "+";
}

std::string OptionName(const OptionInfo& info) {
  return "--" + std::string(info.name);
}

// How the script completes a value of this kind ("stx|json" for files of those endings).
std::string ValueAction(ValueKind kind, std::string_view choices, std::string_view names) {
  switch (kind) {
    case ValueKind::kChoice:
      return "COMPREPLY=($(compgen -W '" + Joined(Split(choices, '|'), " ") + "' -- \"$cur\"))";
    case ValueKind::kFile:
      return "_tamarack_cli_files '" + Endings(names) + "'";
    case ValueKind::kFolder:
      return "_tamarack_cli_folders";
    case ValueKind::kPort:
      return "_tamarack_cli_ports \"$3\"";
    case ValueKind::kNone:
    case ValueKind::kParameter:
    case ValueKind::kCommand:
    case ValueKind::kText:
      break;
  }
  return ":";
}

constexpr std::string_view kHelpers = R"bash(
# Files with one of the endings $1 ("stx|json"; empty: any file), and folders to reach them.
_tamarack_cli_files() {
  local name
  compopt -o filenames 2>/dev/null
  while IFS= read -r name; do
    if [[ -d $name || -z $1 || ${name##*.} =~ ^($1)$ ]]; then COMPREPLY+=("$name"); fi
  done < <(compgen -f -- "$cur")
}

_tamarack_cli_folders() {
  compopt -o filenames 2>/dev/null
  COMPREPLY+=($(compgen -d -- "$cur"))
}

# The serial devices present, as the program $1 lists them, the simulated indicator, and the
# beginnings of a device server's address.
_tamarack_cli_ports() {
  local device rest
  local -a ports=(sim rfc2217:// socket://)
  while read -r device rest; do
    [[ -n $device ]] && ports+=("$device")
  done < <(command "$1" ports 2>/dev/null)
  COMPREPLY+=($(compgen -W "${ports[*]}" -- "$cur"))
  if ((${#COMPREPLY[@]} == 1)) && [[ ${COMPREPLY[0]} == *// ]]; then
    compopt -o nospace 2>/dev/null
  fi
}

# Completes the word after "$@": a command and its words so far.
_tamarack_cli_words() {
  local command=$1 form spec word k fits
  shift
  local -a specs choices
  while IFS= read -r form; do
    read -ra specs <<<"$form"
    fits=1
    for ((k = 0; k <= $#; k++)); do
      spec=${specs[k]}
      if [[ -z $spec && ${#specs[@]} -gt 0 && ${specs[-1]} == *+ ]]; then spec=${specs[-1]}; fi
      spec=${spec%+}
      ((k == $#)) && break
      word=${*:k+1:1}
      case $spec in
        '') fits=0; break ;;
        x) _tamarack_cli_words "${@:k+1}"; return ;;
        c:*) [[ "|${spec#c:}|" == *"|${word,,}|"* || "|${spec#c:}|" == *"|${word^^}|"* ]] ||
               { fits=0; break; } ;;
      esac
    done
    ((fits)) || continue
    case $spec in
      c:*) IFS='|' read -ra choices <<<"${spec#c:}"
           COMPREPLY+=($(compgen -W "${choices[*]}" -- "$cur")) ;;
      f:*) _tamarack_cli_files "${spec#f:}" ;;
      d) _tamarack_cli_folders ;;
      p) compopt -o nospace 2>/dev/null
         COMPREPLY+=($(compgen -W "$_tamarack_cli_parameters" -- "$cur")) ;;
      x) COMPREPLY+=($(compgen -W "$_tamarack_cli_line_commands" -- "$cur")) ;;
    esac
  done < <(_tamarack_cli_forms "$command")
}

_tamarack_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} w i skip=
  local -a line=() words=()
  COMPREPLY=()
  # Bash splits "rfc2217://host:4001" at each ':' and "--port=sim" at '=': put them together.
  for ((i = 1; i < COMP_CWORD; i++)); do
    w=${COMP_WORDS[i]}
    [[ $w == = ]] && continue
    if ((${#line[@]})) && [[ $w == : || ${COMP_WORDS[i-1]} == : ]]; then
      line[-1]+=$w
    else
      line+=("$w")
    fi
  done
  [[ $prev == = ]] && prev=${COMP_WORDS[COMP_CWORD-2]}
  # The command's words: the options and their values left out.
  for w in "${line[@]}"; do
    if [[ -n $skip ]]; then skip=; continue; fi
    if [[ $_tamarack_cli_valued == *" $w "* ]]; then skip=1; continue; fi
    [[ $w == -* ]] || words+=("$w")
  done
  local command=${words[0]} inner= at=
  [[ -n $command ]] && at=$(_tamarack_cli_runs "$command")
  [[ -n $at ]] && inner=${words[at]}
  if [[ $_tamarack_cli_valued == *" $prev "* ]]; then
    _tamarack_cli_value "$prev" "${inner:-$command}" "${COMP_WORDS[0]}"
  elif [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$_tamarack_cli_every $(_tamarack_cli_options "$command") \
$(_tamarack_cli_options "$inner")" -- "$cur"))
  elif ((${#words[@]} == 0)); then
    COMPREPLY=($(compgen -W "$_tamarack_cli_commands" -- "$cur"))
  else
    _tamarack_cli_words "${words[@]}"
  fi
  # Forms that share a word offer it once.
  if ((${#COMPREPLY[@]} > 1)); then
    mapfile -t COMPREPLY < <(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort -u)
  fi
}

complete -F _tamarack_cli tamarack-cli
)bash";

}  // namespace

std::string BashCompletion() {
  std::string s =
      "# bash completion for tamarack-cli, made by 'tamarack-cli --completion bash' from the "
      "program's\n# table of commands: make it again rather than edit it.\n\n";

  std::vector<std::string_view> commands, lineCommands;
  for (const CommandRow& row : Commands()) {
    commands.push_back(row.name);
    if (row.reach == Reach::kIndicator) lineCommands.push_back(row.name);
  }
  s += "_tamarack_cli_commands='" + Joined(commands, " ") + "'\n";
  s += "# What a fleet runs on each indicator.\n";
  s += "_tamarack_cli_line_commands='" + Joined(lineCommands, " ") + "'\n";

  std::vector<std::string> every, valued;
  for (const OptionInfo& info : Options()) {
    if (info.everyCommand) every.push_back(OptionName(info));
    if (info.value != ValueKind::kNone) valued.push_back(OptionName(info));
  }
  std::string everyText, valuedText;
  for (const std::string& o : every) everyText += (everyText.empty() ? "" : " ") + o;
  for (const std::string& o : valued) valuedText += " " + o;
  s += "_tamarack_cli_every='" + everyText + "'\n";
  s += "# The options that take a value.\n";
  s += "_tamarack_cli_valued='" + valuedText + " '\n";

  std::string parameters;
  for (const SetupParam& param : SetupParams()) {
    if (param.kind == ParamKind::kVersion) continue;
    parameters += (parameters.empty() ? "" : " ") + std::string(param.displayNumber) + "=";
  }
  s += "# The parameters set takes, NUMBER=VALUE.\n";
  s += "_tamarack_cli_parameters='" + parameters + "'\n\n";

  s += "# The words of each way of calling a command, one form a line: c:CHOICE|CHOICE, "
       "f:ENDING|ENDING\n# (f: alone for any file), d a folder, p a parameter, x a command that "
       "this one runs, t\n# anything; '+' after a word repeats it.\n";
  s += "_tamarack_cli_forms() {\n  case $1 in\n";
  for (const CommandRow& row : Commands()) {
    std::string echoes;
    for (const Form& form : row.forms) {
      std::string line;
      for (const Word& word : form.words) line += (line.empty() ? "" : " ") + Spec(word);
      echoes += (echoes.empty() ? "" : "; ") + ("echo '" + line + "'");
    }
    s += "    " + std::string(row.name) + ") " + echoes + " ;;\n";
  }
  s += "  esac\n}\n\n";

  s += "# The options a command takes beside those every command takes.\n";
  s += "_tamarack_cli_options() {\n  case $1 in\n";
  for (const CommandRow& row : Commands()) {
    std::set<std::string> names;
    for (const OptionInfo& info : Options()) {
      if (!info.everyCommand && Takes(row, info.option)) names.insert(OptionName(info));
    }
    if (names.empty()) continue;
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : " ") + name;
    s += "    " + std::string(row.name) + ") echo '" + list + "' ;;\n";
  }
  s += "  esac\n}\n\n";

  s += "# Where the command that a command runs stands among its words.\n";
  s += "_tamarack_cli_runs() {\n  case $1 in\n";
  for (const CommandRow& row : Commands()) {
    for (const Form& form : row.forms) {
      for (std::size_t i = 0; i < form.words.size(); ++i) {
        if (form.words[i].kind == ValueKind::kCommand) {
          s += "    " + std::string(row.name) + ") echo " + std::to_string(i + 1) + " ;;\n";
        }
      }
    }
  }
  s += "  esac\n}\n\n";

  s += "# The value of the option $1 given to the command $2; $3 is the program.\n";
  s += "_tamarack_cli_value() {\n  case $2:$1 in\n";
  // A form may name its own files for an option (read --out FILE.stx|FILE.json).
  for (const CommandRow& row : Commands()) {
    std::set<std::string> done;
    for (const Form& form : row.forms) {
      for (const FormOption& option : form.options) {
        const OptionInfo& info = OptionOf(option.option);
        if (option.value.empty() || info.value != ValueKind::kFile) continue;
        const std::string key = std::string(row.name) + ":" + OptionName(info);
        if (!done.insert(key).second) continue;
        s += "    " + key + ") " + ValueAction(info.value, info.choices, option.value) + " ;;\n";
      }
    }
  }
  for (const OptionInfo& info : Options()) {
    if (info.value == ValueKind::kNone) continue;
    s += "    *:" + OptionName(info) + ") " +
         ValueAction(info.value, info.choices, info.valueName) + " ;;\n";
  }
  s += "  esac\n}\n";
  s += kHelpers;
  return s;
}

// zsh runs the bash completion in bash and offers what it answers, so that both shells complete
// alike from the one script that the table makes. The script is asked of the program once a
// session (per program, for a shell that runs more than one build).
std::string ZshCompletion() {
  return R"zsh(#compdef tamarack-cli
# zsh completion for tamarack-cli, made by 'tamarack-cli --completion zsh'. It runs the program's
# bash completion ('tamarack-cli --completion bash') in bash, so both shells offer the same.

_tamarack-cli() {
  local program=${words[1]}
  typeset -gA _tamarack_cli_bash
  if [[ -z ${_tamarack_cli_bash[$program]} ]]; then
    _tamarack_cli_bash[$program]=$(command ${~program} --completion bash 2>/dev/null)
  fi
  [[ -n ${_tamarack_cli_bash[$program]} ]] || return 1
  local -a offered whole open
  offered=(${(0)"$(command bash --norc --noprofile -c '
    eval "$1"; COMP_CWORD=$2; shift 2; COMP_WORDS=("$@")
    _tamarack_cli; printf "%s\0" "${COMPREPLY[@]}"' \
    _ "${_tamarack_cli_bash[$program]}" $((CURRENT - 1)) "${words[@]}" 2>/dev/null)"})
  offered=(${offered:#})
  # The beginning of a device server's address goes on without a space.
  open=(${(M)offered:#*//})
  whole=(${offered:#*//})
  (( ${#open} )) && compadd -S '' -a open
  # Marked as file names: a folder gets its slash, and the list shows what each one is.
  (( ${#whole} )) && compadd -f -a whole
  (( ${#offered} ))
}

_tamarack-cli "$@"
)zsh";
}

}  // namespace tamarack::cli
