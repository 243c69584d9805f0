-- Values made inside a block are released at its end, also when the arena grew in between;
-- values made before the block stay intact.
math3d.reserve(math3d.capacity() + 64)
local kept = vector2.new(3, 4)
local also_kept = vector3.new(5, 6, 7)
local before = math3d.size()
local capacity = math3d.capacity()
timeline3_begin("grown")
local t = 0
while math3d.capacity() == capacity do
  timeline3_insert_x(vector2.new(t, t % 7))
  t = t + 1
end
timeline3_insert_y(vector2.new(1, 1), vector2.new(2, 2), vector2.new(3, 3))
timeline3_end()
if math3d.size() == before then
  timeline3_begin("restored")
  timeline3_end()
end
timeline1_begin("kept")
timeline1_push(kept)
timeline1_push(vector2.new(vector3.get_y(also_kept), vector3.get_z(also_kept)))
timeline1_end()
