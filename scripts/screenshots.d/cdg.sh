# A CDG song part-way through, its graphics in the preview window.
source "$top/scripts/lib/karaoke_scene.sh"
karaoke_scene song.cdg 45
