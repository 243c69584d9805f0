timeline3_begin("no_name")
timeline3_insert_x(vector2.new(0.00, 10.00), vector2.new(0.00, 10.00), vector2.new(0.00, 10.00))
timeline3_insert_x(vector2.new(90.00, 10.00), vector2.new(100.00, 10.00), vector2.new(110.00, 10.00))
timeline3_insert_y(vector2.new(-1/0, 0.00), vector2.new(0.00, 0.00), vector2.new(0/0, 0.00))
timeline3_insert_z(vector2.new(0.00, -10.00), vector2.new(100.00, -10.00), vector2.new(100.00, -10.00))
timeline3_end()

timeline3_begin("q\"b\\n\nr\r\001\127")
timeline3_end()

