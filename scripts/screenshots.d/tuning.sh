# A CDG song moved two semitones up and slowed to 90 %, as its preview window's caption says
# (the caption is matched as a pattern, so its "+" is escaped).
source "$top/scripts/lib/karaoke_scene.sh"
karaoke_scene song.cdg 45 "ctrl+Up ctrl+Up ctrl+Left ctrl+Left" 'song.cdg  Key \+2  Tempo 90 %  '
