# fish completion for varnic, installed as ${datadir}/fish/vendor_completions.d/varnic.fish.

# Compare options and files, unless the command is audit: a first word that is not a subcommand
# starts an implicit compare (varnic FILE1 FILE2).
function __varnic_compare
    not __fish_seen_subcommand_from audit history render help
end

complete -c varnic -f
complete -c varnic -n __fish_use_subcommand -a compare -d 'Compare two backups'
complete -c varnic -n __fish_use_subcommand -a audit -d 'Audit a fleet against a baseline'
complete -c varnic -n __fish_use_subcommand -a history -d 'Show the runs an audit recorded with --db'
complete -c varnic -n __fish_use_subcommand -a render -d 'Print the golden file of one device'
complete -c varnic -n __fish_use_subcommand -a help -d 'Show the help of a subcommand'
complete -c varnic -n '__fish_seen_subcommand_from help' -a 'compare audit history render'
complete -c varnic -s h -l help -d 'Show help'
complete -c varnic -n __varnic_compare -l version -d 'Show the version'

# compare FILE1 FILE2
complete -c varnic -n __varnic_compare -F
complete -c varnic -n __varnic_compare -l type1 -x -a '0 1 single-band dual-band' -d 'Device type of FILE1'
complete -c varnic -n __varnic_compare -l type2 -x -a '0 1 single-band dual-band' -d 'Device type of FILE2'
complete -c varnic -n __varnic_compare -l types -x -a auto -d 'Pick the device types from the files'
complete -c varnic -n __varnic_compare -l save -r -F -d 'Write the two marked results to OUT1 OUT2'
complete -c varnic -n __varnic_compare -s q -l quiet -d 'Print nothing; report by exit status'
complete -c varnic -n __varnic_compare -l format -x -a 'side changes marked json brief github remediation' -d 'Output format'
complete -c varnic -n __varnic_compare -s W -l width -x -d 'Width of the side-by-side view'
complete -c varnic -n __varnic_compare -l suppress-common-lines -d 'Hide settings that are the same'
complete -c varnic -n __varnic_compare -l truncate -d 'Cut long lines, do not wrap'
complete -c varnic -n __varnic_compare -l color -x -a 'auto always never' -d 'Colour the output'
complete -c varnic -n __varnic_compare -l stat -d 'Print counts per section'
complete -c varnic -n __varnic_compare -l explain -d 'Tell what was dropped or changed, and why'
complete -c varnic -n __varnic_compare -l html -r -F -d 'Also write an HTML report'
complete -c varnic -n __varnic_compare -l show-secrets -d 'Show secret values in JSON and HTML'
complete -c varnic -n __varnic_compare -l mask-secrets -d 'Mask secret values in the terminal'
complete -c varnic -n __varnic_compare -l strict -d 'Settings not compared but different count'
complete -c varnic -n __varnic_compare -l ignore -x -d 'Ignore settings: [Section]key, * and ? globs'
complete -c varnic -n __varnic_compare -l ignore-file -r -F -d 'Read ignore patterns from a file'
complete -c varnic -n __varnic_compare -l template -d 'FILE1 is a golden template'
complete -c varnic -n __varnic_compare -l vars -r -F -d 'Variables of the template per device'
complete -c varnic -n __varnic_compare -l device -x -d "FILE2's name in --vars"
complete -c varnic -n __varnic_compare -l write-fixed -r -F -d 'Write FILE2 brought to FILE1'
complete -c varnic -n __varnic_compare -l no-pager -d 'Do not page the output'

# audit BASELINE TARGET...
set -l audit '__fish_seen_subcommand_from audit'
complete -c varnic -n $audit -F
complete -c varnic -n $audit -l glob -x -d 'Files to take from a directory (default *.cfg)'
complete -c varnic -n $audit -l baseline-type -x -a '0 1 single-band dual-band' -d 'Device type of the baseline'
complete -c varnic -n $audit -l target-type -x -a '0 1 single-band dual-band' -d 'Device type of the targets'
complete -c varnic -n $audit -l types -x -a auto -d 'Pick the device types from the files'
complete -c varnic -n $audit -l baseline-map -r -F -d 'Baselines per glob'
complete -c varnic -n $audit -l expect -r -F -d 'Devices the fleet must hold'
complete -c varnic -n $audit -l ignore -x -d 'Ignore settings: [Section]key, * and ? globs'
complete -c varnic -n $audit -l ignore-file -r -F -d 'Read ignore patterns from a file'
complete -c varnic -n $audit -l strict -d 'Settings not compared but different count'
complete -c varnic -n $audit -s j -l jobs -x -d 'Pairs compared at once'
complete -c varnic -n $audit -s q -l quiet -d 'Print nothing; report by exit status'
complete -c varnic -n $audit -l format -x -a 'table json csv junit github' -d 'Summary format'
complete -c varnic -n $audit -l html -r -F -d 'Also write an HTML report'
complete -c varnic -n $audit -l save-dir -x -a '(__fish_complete_directories)' -d 'Write the marked pair of every device'
complete -c varnic -n $audit -l merge -d 'Merge JSON summaries'
complete -c varnic -n $audit -l no-progress -d 'No progress bar'
complete -c varnic -n $audit -l show-secrets -d 'Show secret values in the reports'
complete -c varnic -n $audit -l db -r -F -d 'Record the run in a history database'
complete -c varnic -n $audit -l template -d 'The baseline is a golden template'
complete -c varnic -n $audit -l vars -r -F -d 'Variables of the template per device'
complete -c varnic -n $audit -l fix-dir -x -a '(__fish_complete_directories)' -d 'Write each drifted device brought back'

# render GOLDEN
set -l render '__fish_seen_subcommand_from render'
complete -c varnic -n $render -F
complete -c varnic -n $render -l vars -r -F -d 'Variables per device'
complete -c varnic -n $render -l device -x -d "The device's name in --vars"
complete -c varnic -n $render -l against -r -F -d "The device's backup"


# history --db DB [runs | prune]
set -l history '__fish_seen_subcommand_from history'
complete -c varnic -n $history -a 'runs prune'
complete -c varnic -n $history -l db -r -F -d 'The history: a SQLite file or a postgresql:// address'
complete -c varnic -n $history -l since -x -d 'Drift since a run number or a date'
complete -c varnic -n $history -l device -x -d "One device's timeline"
complete -c varnic -n $history -l format -x -a 'table json csv' -d 'Output format'
complete -c varnic -n $history -l html -r -F -d 'Also write a page with trend charts'
complete -c varnic -n $history -l keep -x -d 'prune: keep the newest N runs'
complete -c varnic -n $history -l older-than -x -d 'prune: remove runs older than DAYS'
