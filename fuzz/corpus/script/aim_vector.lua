-- Aims a fresh matrix44 at several directions and keeps where it sends the local axes.
directions = {
    vector3.new(1, 1, 1),
    vector3.new(1, 0.5, -2),
    vector3.new(-3, -1, 0.5),
    vector3.new(0, 0, 1),
    vector3.new(-2, 4, -1),
}
up, side = {}, {}
for i = 1, 5 do
    local m = matrix44.aim_vector(matrix44.new(), directions[i])
    up[i] = matrix44.mulvec(m, vector4.new(0, 1, 0, 1))
    side[i] = matrix44.mulvec(m, vector4.new(1, 0, 0, 1))
end
