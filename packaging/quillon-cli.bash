# bash completion for quillon-cli

_quillon_cli_devices() {
  compgen -G '/dev/serial/by-id/*'
  compgen -G '/dev/ttyUSB*'
  compgen -G '/dev/ttyACM*'
  compgen -G '/dev/ttyS*'
}

_quillon_cli() {
  local cur prev words cword
  _init_completion -s || return

  local commands="detect download download-run compare read erase chip-erase save lock remap run settings ports"
  # The command word, when one stands before the word being completed; the options before
  # it are quillon-cli's own, those after it may be the command's.
  local i command=""
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      -p | --port | --ports | -b | --baud | --firmware | --chip | --memory | --echo-window | --log | --reset | \
        --serial-at | --serial-format | --serial-file | --serial-start) ((i++)) ;;
      -*) ;;
      *) command=${words[i]}; break ;;
    esac
  done

  case $prev in
    -p | --port)
      # settings stores a COM slot; everywhere else a device path will do as well.
      if [[ $command == settings ]]; then
        COMPREPLY=($(compgen -W "COM1 COM2 COM3 COM4" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "COM1 COM2 COM3 COM4 $(_quillon_cli_devices)" -- "$cur"))
      fi
      return ;;
    --device) COMPREPLY=($(compgen -W "default $(_quillon_cli_devices)" -- "$cur")); return ;;
    --ports)
      COMPREPLY=($(compgen -W "'/dev/serial/by-id/*' '/dev/ttyUSB*' '/dev/ttyACM*'" -- "$cur"))
      return ;;
    --firmware) COMPREPLY=($(compgen -W "v1.1e-int v1.1e-ext v1.1d" -- "$cur")); return ;;
    --chip) COMPREPLY=($(compgen -W "A16 A32" -- "$cur")); return ;;
    --memory) COMPREPLY=($(compgen -W "int ext" -- "$cur")); return ;;
    --format)
      if [[ $command == save ]]; then
        COMPREPLY=($(compgen -W "text bin" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "hex bin" -- "$cur"))
      fi
      return ;;
    -b | --baud) COMPREPLY=($(compgen -W "2400 4800 9600 19200 38400" -- "$cur")); return ;;
    --log | --serial-file) _filedir; return ;;
    --reset) COMPREPLY=($(compgen -W "dtr rts dtr:100 rts:100 none" -- "$cur")); return ;;
    --serial-format) COMPREPLY=($(compgen -W "le16 le32 be32 ascii:8" -- "$cur")); return ;;
    --echo-window | --sector | --range | --serial-at | --serial-start) return ;;
  esac

  local global="--port --ports --baud --firmware --chip --memory --simulate --yes --quiet --verbose --echo-window
    --reset --log --json --help --version"
  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "$global" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
    return
  fi

  case $command in
    download | download-run | compare)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--sector --format --serial-at --serial-format --serial-file --serial-start $global" -- "$cur"))
      else
        _filedir '@(hex|HEX|ihx|IHX|ihex|IHEX|bin|BIN)'
      fi ;;
    save)
      if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W "--sector --range --format $global" -- "$cur")); else _filedir; fi ;;
    read | erase) COMPREPLY=($(compgen -W "--sector --range $global" -- "$cur")) ;;
    lock) COMPREPLY=($(compgen -W "1 2 3 4 5" -- "$cur")) ;;
    remap) COMPREPLY=($(compgen -W "1 2 3" -- "$cur")) ;;
    settings) COMPREPLY=($(compgen -W "--port --baud --echo-window --device --reset" -- "$cur")) ;;
    *) [[ $cur == -* ]] && COMPREPLY=($(compgen -W "$global" -- "$cur")) ;;
  esac
} &&
  complete -F _quillon_cli quillon-cli
