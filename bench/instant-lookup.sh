# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the figure scripts whose lookup must answer at once: settings and data in WORK, with the small
# Tranco list installed, so `--lookups tranco` asks nothing of the network and the figure is the program's.
# instant_lookup WORK
instant_lookup() {
    export XDG_DATA_HOME="$1/data" XDG_CONFIG_HOME="$1/config"
    mkdir -p "$XDG_DATA_HOME/seo-quillmark"
    cp "$here/../tests/data/tranco-sample.csv" "$XDG_DATA_HOME/seo-quillmark/tranco.csv"
}
