# bash completion for nrctl: commands, their options and the values those take (mode slots,
# output channels, positions, on/off), mode files where a preset is named, other files and
# folders elsewhere.

_nrctl_commands='adv-eq batch block comp delay design diff eq eq-export eq-import features info
  input inspect machine mode monitor output plug pull push remote room scan scene set source status
  venue'

# The options of one command.
_nrctl_command_options() {
  case $1 in
    adv-eq) echo '--bypass --reset --linked --json' ;;
    comp) echo '--threshold --ratio --attack --release --on --off --file' ;;
    delay) echo '--ms --on --off --mode --split-hz --file' ;;
    diff | inspect | info | status | monitor) echo '--json' ;;
    eq-import) echo '--drop-smallest --file' ;;
    input) echo '--json --file' ;;
    features)
      echo '--exciter --exciter-eq --low --mid --high --harmonic --max-bass-hz --max-bass-delay
        --max-bass-gain --auto-sub --auto-sub-level --auto-level --auto-level-threshold
        --auto-level-ratio --auto-level-attack --auto-level-release --json' ;;
    machine)
      echo '--mic-start --music-start --mic-max --music-max --panel-lock --volume-lock --mode-lock
        --save-by --power-on --hdmi-mute --route --json' ;;
    output) echo '--position --direct --reverb --echo --music --mute --phase --eq-bypass --eq-reset --file' ;;
    plug) echo '--json --timeout --keys --learn --send --rename --clear' ;;
    push) echo '--store' ;;
    remote) echo '--timeout --file' ;;
    room) echo '--size --listener --speaker --locate --reset --file' ;;
    scan) echo '--port --timeout-ms --json' ;;
    scene) echo '--keys' ;;
    venue) echo '--venue --json --port --timeout-ms --store --parallel' ;;
    source) echo '--level --json' ;;
    set | block | eq | batch) echo '--file' ;;
  esac
  echo '--help'
}

# Files whose name ends in one of the given extensions (any case), and folders to walk into.
_nrctl_files() {
  local cur=$1 ext f
  shift
  local IFS=$'\n'
  COMPREPLY+=($(compgen -d -- "$cur"))
  for f in $(compgen -f -- "$cur"); do
    [ -d "$f" ] && continue
    for ext in "$@"; do
      if [ "$ext" = '*' ] || [[ ${f,,} == *."$ext" ]]; then
        COMPREPLY+=("$f")
        break
      fi
    done
  done
  compopt -o filenames 2>/dev/null
}

_nrctl() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  # The command is the first word after the global options and their values.
  local i=1 command='' at=0
  while [ $i -lt "$COMP_CWORD" ]; do
    case ${COMP_WORDS[i]} in
      --net | --file) i=$((i + 1)) ;;
      -*) ;;
      *) command=${COMP_WORDS[i]}; at=$i; break ;;
    esac
    i=$((i + 1))
  done

  # Values of options, wherever they stand.
  case $prev in
    --file) _nrctl_files "$cur" mode; return ;;
    --venue) _nrctl_files "$cur" json; return ;;
    --net | --size | --listener | --speaker | --low | --mid | --high | --harmonic | --ms | --split-hz | \
      --threshold | --ratio | --attack | --release | --direct | --reverb | --echo | --music | \
      --mic-max | --music-max | --max-bass-hz | --max-bass-delay | --max-bass-gain | --auto-sub-level | \
      --auto-level-threshold | --auto-level-ratio | --auto-level-attack | --auto-level-release | \
      --port | --timeout | --timeout-ms | --level | --rename | --parallel)
      return ;;
    --store) COMPREPLY=($(compgen -W '1 2 3 4' -- "$cur")); return ;;
    --mute | --panel-lock | --volume-lock | --mode-lock | --hdmi-mute | --exciter | \
      --exciter-eq | --auto-sub | --auto-level | --eq-bypass | --bypass)
      COMPREPLY=($(compgen -W 'on off' -- "$cur")); return ;;
    --position) COMPREPLY=($(compgen -W 'L R SL SR SUB CEN SBL SBR' -- "$cur")); return ;;
    --phase) COMPREPLY=($(compgen -W 'normal inverted' -- "$cur")); return ;;
    --mode) COMPREPLY=($(compgen -W 'split channel' -- "$cur")); return ;;
    --save-by) COMPREPLY=($(compgen -W 'power mode' -- "$cur")); return ;;
    --power-on) COMPREPLY=($(compgen -W 'auto M1 M2 M3 M4' -- "$cur")); return ;;
    --route) COMPREPLY=($(compgen -W 'sl-sr sbl-sbr both' -- "$cur")); return ;;
    --locate) COMPREPLY=($(compgen -W '1 2 3 4 5 6 7 8 none' -- "$cur")); return ;;
    --mic-start | --music-start) COMPREPLY=($(compgen -W 'off' -- "$cur")); return ;;
    --learn | --send | --clear) COMPREPLY=($(compgen -W "$(echo {1..32})" -- "$cur")); return ;;
    --keys) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")); return ;;
  esac

  if [ -z "$command" ]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W '--net --usb --file --trace --quiet --help --version' -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$_nrctl_commands" -- "$cur"))
    fi
    return
  fi
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_nrctl_command_options "$command")" -- "$cur"))
    return
  fi

  # The positional words before this one (options and their values left out).
  local words=() w
  for ((i = at + 1; i < COMP_CWORD; i++)); do
    w=${COMP_WORDS[i]}
    [[ $w == -* ]] && continue
    case ${COMP_WORDS[i - 1]} in --file | --venue | --store | --keys | --timeout | --learn | --send | --clear) continue ;; esac
    words+=("$w")
  done
  local n=${#words[@]}

  case $command in
    push | inspect) [ "$n" = 0 ] && _nrctl_files "$cur" mode ;;
    pull) [ "$n" = 0 ] && _nrctl_files "$cur" mode ;;
    diff) [ "$n" -lt 2 ] && { _nrctl_files "$cur" mode; COMPREPLY+=($(compgen -W device -- "$cur")); } ;;
    mode)
      case $n in
        0) COMPREPLY=($(compgen -W 'load store factory' -- "$cur")) ;;
        1) COMPREPLY=($(compgen -W '1 2 3 4' -- "$cur")) ;;
      esac ;;
    output | adv-eq | delay) [ "$n" = 0 ] && COMPREPLY=($(compgen -W '1 2 3 4 5 6 7 8' -- "$cur")) ;;
    comp) [ "$n" = 0 ] && COMPREPLY=($(compgen -W '1 2 3 4 5 6 7 8 rec' -- "$cur")) ;;
    eq-import)
      case $n in
        0) COMPREPLY=($(compgen -W "$(echo {0..23})" -- "$cur")) ;;
        1) _nrctl_files "$cur" '*' ;;
      esac ;;
    eq-export)
      case $n in
        0) COMPREPLY=($(compgen -W "$(echo {0..23})" -- "$cur")) ;;
        1) _nrctl_files "$cur" '*' ;;
      esac ;;
    eq) [ "$n" = 0 ] && COMPREPLY=($(compgen -W "$(echo {0..23})" -- "$cur")) ;;
    remote)
      case $n in
        0) COMPREPLY=($(compgen -W 'pull push learn' -- "$cur")) ;;
        1) [ "${words[0]}" != learn ] && _nrctl_files "$cur" remo ;;
      esac ;;
    plug)
      case $n in
        0) COMPREPLY=($(compgen -W 'list add remove on off dim rename keys' -- "$cur")) ;;
        1) [ "${words[0]}" = add ] && COMPREPLY=($(compgen -W 'switch dimmer' -- "$cur")) ;;
      esac ;;
    venue)
      case $n in
        0) COMPREPLY=($(compgen -W 'list add remove rename scan status backup push check' -- "$cur")) ;;
        1) case ${words[0]} in
             push | check) _nrctl_files "$cur" mode ;;
             backup) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")) ;;
           esac ;;
      esac ;;
    scene)
      case $n in
        0) COMPREPLY=($(compgen -W 'show run save' -- "$cur")) ;;
        1) COMPREPLY=($(compgen -W 'tv movie karaoke music poweron poweroff' -- "$cur")) ;;
      esac ;;
  esac
}

complete -F _nrctl nrctl
