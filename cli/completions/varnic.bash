# bash completion for varnic                                  -*- shell-script -*-
# Installed as ${datadir}/bash-completion/completions/varnic; works without the
# bash-completion package too (source it from ~/.bashrc).

_varnic_compare_options='--type1 --type2 --types --save -q --quiet --format -W --width
  --suppress-common-lines --truncate --color --stat --explain --html --show-secrets
  --mask-secrets --strict --ignore --ignore-file --template --vars --device --write-fixed
  --no-pager -h --help --version'
_varnic_audit_options='--glob --baseline-type --target-type --types --baseline-map --expect --ignore
  --ignore-file --strict -j --jobs -q --quiet --format --html --save-dir --merge --no-progress
  --show-secrets --db --template --vars --fix-dir -h --help'
_varnic_render_options='--vars --device --against -h --help'
_varnic_history_options='--db --since --device --format --html --keep --older-than -h --help'
# Options that take a value: the word after them is that value, not a file or a subcommand.
_varnic_takes_value='--type1 --type2 --types --save --format -W --width --color --html --ignore
  --ignore-file --glob --baseline-type --target-type --baseline-map --expect -j --jobs --save-dir --db
  --since --device --keep --older-than --vars --write-fixed --fix-dir --against'

_varnic_files() {
  compopt -o filenames 2>/dev/null
  local IFS=$'\n'
  COMPREPLY+=($(compgen -f -- "$1"))
}

_varnic_dirs() {
  compopt -o filenames 2>/dev/null
  local IFS=$'\n'
  COMPREPLY+=($(compgen -d -- "$1"))
}

_varnic() {
  COMPREPLY=()
  local cword=$COMP_CWORD
  local cur=${COMP_WORDS[cword]}
  local prev=
  ((cword > 0)) && prev=${COMP_WORDS[cword - 1]}
  # COMP_WORDBREAKS splits --format=json into "--format" "=" "json".
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]] && ((cword > 1)); then
    prev=${COMP_WORDS[cword - 2]}
  fi

  # The subcommand: the first word that is neither an option nor an option's value. Any other
  # first word is FILE1 of an implicit compare.
  local command= i word after_dashdash= seen_option=
  for ((i = 1; i < cword; i++)); do
    word=${COMP_WORDS[i]}
    if [[ $word == -- ]]; then
      after_dashdash=1
      [[ -z $command ]] && command=compare
      continue
    fi
    [[ $word == = ]] && { ((i++)); continue; }
    if [[ -z $after_dashdash && $word == -* ]]; then
      seen_option=1
      if [[ " ${_varnic_takes_value//$'\n'/ } " == *" $word "* && ${COMP_WORDS[i + 1]} != = ]]; then
        ((i++))
        # --save takes two.
        [[ $word == --save ]] && ((i++))
      fi
      continue
    fi
    if [[ -z $command ]]; then
      case $word in
        compare | audit | help | history | render) command=$word ;;
        *) command=compare ;;
      esac
    fi
  done
  # varnic help SUBCOMMAND: one word, a subcommand.
  if [[ $command == help ]]; then
    ((cword == 2)) && COMPREPLY=($(compgen -W 'compare audit history render' -- "$cur"))
    return
  fi
  local kind=compare
  [[ $command == audit || $command == history || $command == render ]] && kind=$command

  if [[ -z $after_dashdash ]]; then
    case $prev in
      --type1 | --type2 | --baseline-type | --target-type)
        COMPREPLY=($(compgen -W '0 1 single-band dual-band' -- "$cur"))
        return
        ;;
      --types)
        COMPREPLY=($(compgen -W 'auto' -- "$cur"))
        return
        ;;
      --format)
        if [[ $kind == history ]]; then
          COMPREPLY=($(compgen -W 'table json csv' -- "$cur"))
        elif [[ $kind == audit ]]; then
          COMPREPLY=($(compgen -W 'table json csv junit github' -- "$cur"))
        else
          COMPREPLY=($(compgen -W 'side changes marked json brief github remediation' -- "$cur"))
        fi
        return
        ;;
      --color)
        COMPREPLY=($(compgen -W 'auto always never' -- "$cur"))
        return
        ;;
      -W | --width | -j | --jobs | --ignore | --glob | --since | --device | --keep | --older-than)
        return # a number or a pattern: nothing to offer
        ;;
      --save-dir | --fix-dir)
        _varnic_dirs "$cur"
        return
        ;;
      --save | --html | --ignore-file | --baseline-map | --expect | --db | --vars | --write-fixed | \
        --against)
        _varnic_files "$cur"
        return
        ;;
    esac
    # The second output of --save.
    if ((cword > 1)) && [[ ${COMP_WORDS[cword - 2]} == --save ]]; then
      _varnic_files "$cur"
      return
    fi
    if [[ $cur == -* ]]; then
      if [[ $kind == history ]]; then
        COMPREPLY=($(compgen -W "$_varnic_history_options" -- "$cur"))
      elif [[ $kind == audit ]]; then
        COMPREPLY=($(compgen -W "$_varnic_audit_options" -- "$cur"))
      elif [[ $kind == render ]]; then
        COMPREPLY=($(compgen -W "$_varnic_render_options" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "$_varnic_compare_options" -- "$cur"))
      fi
      return
    fi
  fi
  # Options first mean an implicit compare: no subcommand may follow them.
  if [[ -z $command && -z $seen_option ]]; then
    COMPREPLY=($(compgen -W 'compare audit help history render' -- "$cur"))
  fi
  if [[ $kind == history ]]; then
    COMPREPLY+=($(compgen -W 'runs prune' -- "$cur"))
    return
  fi
  _varnic_files "$cur" # backups, and for audit directories of them: compgen -f offers both
}

complete -F _varnic varnic
