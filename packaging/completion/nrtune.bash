# bash completion for nrtune: its options, and preset (.mode) files.

_nrtune() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} f
  COMPREPLY=()
  compopt -o filenames 2>/dev/null
  local IFS=$'\n'
  case $prev in
    --settings) COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X '!*.[iI][nN][iI]' -- "$cur")); return ;;
    --screenshots) COMPREPLY=($(compgen -d -- "$cur")); return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W $'--demo\n--offline\n--trace\n--settings\n--screenshots\n--dark\n--help\n--version' -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -d -- "$cur"))
  for f in $(compgen -f -- "$cur"); do
    [ -d "$f" ] || [[ ${f,,} != *.mode ]] || COMPREPLY+=("$f")
  done
}

complete -F _nrtune nrtune
