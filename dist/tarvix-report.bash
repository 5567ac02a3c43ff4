# Bash completion of tarvix-report: its options, the values of the options that take
# one of a list, folders and files where a path is asked for.
_tarvix_report()
{
    local cur prev words cword
    _init_completion -n = || return

    case $prev in
        --style)
            COMPREPLY=($(compgen -W 'plain tmail bink frontdoor brake binkplus fhmail sfmail argus custom' -- "$cur"))
            return ;;
        --what)
            COMPREPLY=($(compgen -W 'summary days sessions freqs dialstat all traffic history freqlim' -- "$cur"))
            return ;;
        --format)
            COMPREPLY=($(compgen -W 'table csv json' -- "$cur"))
            return ;;
        --codepage)
            COMPREPLY=($(compgen -W 'cp866 cp437 cp850 cp1251 koi8-r latin1 utf-8' -- "$cur"))
            return ;;
        --mailer-dir)
            _filedir -d
            return ;;
        --config)
            _filedir ini
            return ;;
        --set)
            compopt -o nospace
            COMPREPLY=($(compgen -S = -W 'TMVersion TaskNo BrkVersion BinkStyle CfgPath ArgusVersion AutoNew
                LastStr UpdateDLC LineMask DateMask ErrWords HStringCnt' -- "$cur"))
            return ;;
        --log|--year|--main-addr|--drive)
            return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--log --style --mailer-dir --set --year --main-addr --config --what
            --format --codepage --update-dlc --drive --help --version' -- "$cur"))
        return
    fi
    _filedir
}
complete -F _tarvix_report tarvix-report
