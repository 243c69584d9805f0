-- A one-channel block inside a three-channel one: both kinds share the name and the arena mark.
local kept = vector2.new(3, 4)
timeline3_begin("outer")
timeline3_insert_x(vector2.new(0, 1))
timeline1_begin("inner")
timeline1_push(vector2.new(0, 2))
timeline1_end()
timeline3_insert_y(kept)
timeline3_end()
