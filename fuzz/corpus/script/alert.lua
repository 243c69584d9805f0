-- _ALERT receives the message of a run error; it keeps it as a timeline name.
function _ALERT(message)
  timeline3_begin(message)
  timeline3_end()
end
timeline3_begin("first")
timeline3_end()
local missing
missing.field = 1
timeline3_begin("not reached")
timeline3_end()
