# bash completion of mendora-cli: commands, the options of each, file
# names, and the drive letters of the drive map after --drive and --drives.
# The commands and options come from the tool itself
# (`mendora-cli --complete-words [COMMAND]`), the table its --help shows.

# The drive letters the drive map gives, one a line, as the tool reads the
# map: its file ($MENDORA_DRIVES_FILE, else $XDG_CONFIG_HOME/mendora/drives,
# else ~/.config/mendora/drives), then $MENDORA_DRIVES; entries "X=/folder"
# or "X:=/folder" split by newlines or semicolons, "#" starts a comment, an
# empty folder takes the letter away; without any entry, Z: is the root.
_mendora_cli_drive_letters() {
  local file text= entry letter taken=0
  local -A folder=()
  if [[ -n ${MENDORA_DRIVES_FILE+set} ]]; then
    file=$MENDORA_DRIVES_FILE
  elif [[ -n ${XDG_CONFIG_HOME-} ]]; then
    file=$XDG_CONFIG_HOME/mendora/drives
  else
    file=$HOME/.config/mendora/drives
  fi
  [[ -r $file ]] && text=$(<"$file")
  text+=$'\n'${MENDORA_DRIVES-}
  while IFS= read -r entry; do
    entry=${entry#"${entry%%[!$' \t\r']*}"}
    entry=${entry%"${entry##*[!$' \t\r']}"}
    [[ $entry =~ ^([A-Za-z]):?=[[:space:]]*(/.*)?$ ]] || continue
    letter=${BASH_REMATCH[1]^^}
    folder[$letter]=${BASH_REMATCH[2]}
    taken=1
  done <<<"${text//;/$'\n'}"
  ((taken)) || folder[Z]=/
  for letter in "${!folder[@]}"; do
    [[ -n ${folder[$letter]} ]] && echo "$letter"
  done | sort
}

_mendora_cli() {
  # The words as typed: bash splits "D=/x" and "C:\a" at "=" and ":", which
  # are put back together here.
  local -a words=()
  local cword=0 i word
  for ((i = 0; i < ${#COMP_WORDS[@]}; i++)); do
    word=${COMP_WORDS[i]}
    if ((i > 1)) && [[ $word == [=:] || ${COMP_WORDS[i - 1]} == [=:] ]]; then
      words[-1]+=$word
    else
      words+=("$word")
    fi
    ((i == COMP_CWORD)) && cword=$((${#words[@]} - 1))
  done
  local cur=${words[cword]-} prev=
  ((cword > 0)) && prev=${words[cword - 1]}
  local cli=${words[0]}
  [[ $cli == "~/"* ]] && cli=$HOME/${cli:2}
  local -a reply=()
  local files=0

  case $prev in
  --drive)
    if [[ $cur == [A-Za-z]=* ]]; then
      local dir
      while IFS= read -r dir; do reply+=("${cur:0:2}$dir"); done < <(compgen -d -- "${cur:2}")
      files=1
    else
      local letter
      while IFS= read -r letter; do
        [[ $letter == "${cur^^}"* ]] && reply+=("$letter=")
      done < <(_mendora_cli_drive_letters)
      compopt -o nospace 2>/dev/null
    fi
    ;;
  --drives)
    # LETTERS: one more letter of the map, each once.
    if [[ $cur =~ ^[A-Za-z]*$ ]]; then
      local letter
      while IFS= read -r letter; do
        [[ ${cur^^} == *"$letter"* ]] || reply+=("$cur$letter")
      done < <(_mendora_cli_drive_letters)
    fi
    ;;
  --codepage) mapfile -t reply < <(compgen -W "1252 932 65001" -- "$cur") ;;
  --backup) mapfile -t reply < <(compgen -W "0 1" -- "$cur") ;;
  --to) mapfile -t reply < <(compgen -d -- "$cur"); files=1 ;;
  --locate | --map)
    if [[ $cur == *=* ]]; then
      local path
      while IFS= read -r path; do reply+=("${cur%%=*}=$path"); done < <(compgen -f -- "${cur#*=}")
      files=1
    fi
    ;;
  *)
    # The command: the first word past the global options.
    local command= at=1
    while ((at < cword)); do
      case ${words[at]} in
      --drive | --codepage) ((at += 2)) ;;
      -*) ((at += 1)) ;;
      *)
        command=${words[at]}
        break
        ;;
      esac
    done
    if [[ -z $command ]]; then
      mapfile -t reply < <(compgen -W "$("$cli" --complete-words 2>/dev/null)" -- "$cur")
    elif [[ $command == help ]]; then
      ((cword == at + 1)) &&
        mapfile -t reply < <(compgen -W "$("$cli" --complete-words 2>/dev/null | grep -v -e '^-' -e '^help$')" -- "$cur")
    else
      local past_options=0
      for ((i = at + 1; i < cword; i++)); do [[ ${words[i]} == -- ]] && past_options=1; done
      if [[ $cur == -* ]] && ((!past_options)); then
        mapfile -t reply < <(compgen -W "$("$cli" --complete-words "$command" 2>/dev/null) --help" -- "$cur")
      else
        mapfile -t reply < <(compgen -f -- "$cur")
        files=1
      fi
    fi
    ;;
  esac

  ((files)) && compopt -o filenames 2>/dev/null
  # Readline replaces only what follows the last "=" or ":" of the word.
  local head=
  [[ $cur == *[=:]* ]] && head=${cur%"${cur##*[=:]}"}
  COMPREPLY=()
  for word in "${reply[@]}"; do COMPREPLY+=("${word#"$head"}"); done
}

complete -F _mendora_cli mendora-cli
