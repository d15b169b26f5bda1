# bash completion for larkspur-gather
_larkspur_gather() {
  local cur prev words cword split
  # -s: "--date=ac" is completed as "--date ac".
  _init_completion -s || return
  # A date is typed, not completed: the second of --between's too.
  [[ $cword -ge 2 && ${words[cword - 2]} == --between ]] && return
  case "$prev" in
    -d | --date)
      mapfile -t COMPREPLY < <(compgen -W "modified created accessed" -- "$cur")
      return ;;
    --after | --before | --on | --between | --since | --until | --name | --iname | --exclude | --exclude-dir | --max-depth | --min-size | --max-size)
      return ;;
    --copy-to | --move-to)
      _filedir -d
      return ;;
    --receipt | --undo)
      _filedir
      return ;;
  esac
  $split && return
  if [[ "$cur" == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "-d --date --after --before --on --between --since --until --name --iname --exclude --exclude-dir --max-depth --min-size --max-size --copy-to
      --move-to --mkdir --receipt --undo -0 --null -n --dry-run --replace --duplicates -v --verbose --verify -q --quiet --progress -h --help --version" -- "$cur")
    return
  fi
  _filedir -d
}
complete -F _larkspur_gather larkspur-gather
