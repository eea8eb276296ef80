# A LRC song part-way through, its lyrics in the preview window.
source "$top/scripts/lib/karaoke_scene.sh"
karaoke_scene words.lrc 60
