-- An example timeline file: three animated positions and a fade curve, built from math3d values.
--
-- Open it with:  tledit examples/wave.lua
--
-- A timeline file is a Lua script that runs with no standard library. timeline3_begin(name)
-- opens a three-channel timeline, timeline3_insert_x, _y and _z add keys to its x, y and z
-- curves, and timeline3_end() registers it; timeline1_begin, timeline1_push and timeline1_end
-- do the same for a one-channel curve. A key is one vector2 (time, value), whose tangent
-- handles then sit on the point, or three vector2: in handle, point and out handle. Keys may
-- come in any order. The values made inside a block are released by its end, so each block
-- starts afresh; values made before a block stay usable after it.

local PI = 3.14159265

-- sin(a) for a in [0, 2 PI], from Bhaskara's rational approximation: there is no math library.
local function sine(a)
  local sign = 1
  if a > PI then
    a = a - PI
    sign = -1
  end
  local p = a * (PI - a)
  return sign * 16 * p / (5 * PI * PI - 4 * p)
end

-- Made outside every block, so it survives all of them.
local floor = vector2.new(0, -150)

-- bounce: a ball thrown along x, bouncing on y with falling height, drifting on z.
timeline3_begin("bounce")

-- x: steady travel; each key's handles lie along the direction of travel.
local direction = vector2.normalize(vector2.new(1, 0.5))
local handle = vector2.mul(direction, 40)
local position = vector2.new(0, -200)
for i = 0, 5 do
  timeline3_insert_x(vector2.sub(position, handle), position, vector2.add(position, handle))
  position = vector2.add(position, vector2.mul(direction, 160 / vector2.get_x(direction)))
end

-- y: each bounce is a parabola: from a touch of the floor the curve leaves along its out
-- handle, rises to a top given as a single point, and lands along the next touch's in handle.
-- Every bounce is lower and shorter than the one before.
local height = 300
local width = 160
local time = 0
local landing = vector2.new(0, 0)
while height > 10 do
  local touch = vector2.add(floor, vector2.new(time, 0))
  local rise = vector2.new(width / 4, height)
  timeline3_insert_y(vector2.add(touch, landing), touch, vector2.add(touch, rise))
  timeline3_insert_y(vector2.add(touch, vector2.new(width / 2, height)))
  landing = vector2.mul(rise, vector2.new(-1, 1))
  time = time + width
  height = height * 0.6
  width = width * 0.8
end
local last = vector2.add(floor, vector2.new(time, 0))
timeline3_insert_y(vector2.add(last, landing), last, last)

-- z: keys given out of time order; they are kept sorted by time.
timeline3_insert_z(vector2.new(800, 0))
timeline3_insert_z(vector2.new(0, 100))
timeline3_insert_z(vector2.new(400, 30))
timeline3_end()

-- orbit: a circle in a tilted plane, once round from time 0 to 800. The radius turns 30
-- degrees a step; each key's handles follow the circle's tangent, and z comes from a cross
-- product with the axis the plane is tilted about.
timeline3_begin("orbit")
local cos30, sin30 = 0.8660254, 0.5
local step = 800 / 12
local turn = PI / 6 / step -- radians per time unit
local radius = vector2.new(120, 0)
local tilt = vector3.new(0, 0.5, 1)
for i = 0, 12 do
  local t = i * step
  local rx, ry = vector2.split(radius)
  local reach = step / 3
  local dx = vector2.new(reach, -ry * turn * reach)
  local dy = vector2.new(reach, rx * turn * reach)
  local px, py = vector2.new(t, rx), vector2.new(t, ry)
  timeline3_insert_x(vector2.sub(px, dx), px, vector2.add(px, dx))
  timeline3_insert_y(vector2.sub(py, dy), py, vector2.add(py, dy))
  local lifted = vector3.cross(vector3.new(rx, ry, 0), tilt)
  timeline3_insert_z(vector2.new(t, vector3.get_z(lifted)))
  radius = vector2.new(cos30 * rx - sin30 * ry, sin30 * rx + cos30 * ry)
end
timeline3_end()

-- wave: three sine waves a third of a period apart, sampled every 25 time units.
timeline3_begin("wave")
local period = 200
local amplitude = vector2.new(1, 150)
for i = 0, 32 do
  local t = i * 25
  local a = (t % period) / period * 2 * PI
  timeline3_insert_x(vector2.mul(vector2.new(t, sine(a)), amplitude))
  timeline3_insert_y(vector2.mul(vector2.new(t, sine((a + 2 * PI / 3) % (2 * PI))), amplitude))
  timeline3_insert_z(vector2.mul(vector2.new(t, sine((a + 4 * PI / 3) % (2 * PI))), amplitude))
end
timeline3_end()

-- fade: a one-channel curve, in at the start and out at the end. The editor shows it after the
-- three-channel timelines (Tab), in yellow, and saves it after them.
timeline1_begin("fade")
timeline1_push(vector2.new(0, 0))
timeline1_push(vector2.new(0, 100), vector2.new(100, 100), vector2.new(150, 100))
timeline1_push(vector2.new(650, 100), vector2.new(700, 100), vector2.new(800, 100))
timeline1_push(vector2.add(floor, vector2.new(800, 150)))
timeline1_end()
