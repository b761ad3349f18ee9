# bash completion for nremu: its options and the values of those that take a choice.

_nremu() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  case $prev in
    --zwave) COMPREPLY=($(compgen -W 'on off' -- "$cur")); return ;;
    --model) COMPREPLY=($(compgen -W 'NR490 ML07' -- "$cur")); return ;;
    --bad-chunk) COMPREPLY=($(compgen -W 'skip: offset: short: code:' -- "$cur")); compopt -o nospace 2>/dev/null; return ;;
    --bad-write) COMPREPLY=($(compgen -W 'skip: code:' -- "$cur")); compopt -o nospace 2>/dev/null; return ;;
    --bind | --port | --protocol-version | --capability | --remote-key-ms | --latency-ms | --silent-after | \
      --drop-after | --no-answer | --client-watchdog | --error-at-chunk | --notice-flood | --zwave-plugs | \
      --zwave-press-ms | --zwave-no-ack | --zwave-remove | --zwave-corrupt)
      return ;;
  esac
  COMPREPLY=($(compgen -W '--bind --port --model --protocol-version --capability --remote-key-ms
    --latency-ms --silent-after --drop-after --no-answer --garbage --client-watchdog --bad-chunk
    --bad-write --error-at-chunk --notice-flood --trace --zwave --zwave-plugs --zwave-press-ms
    --zwave-no-ack --zwave-remove --zwave-done-without-node --zwave-corrupt --version --help' -- "$cur"))
}

complete -F _nremu nremu
