-- Loads each factory preset named in PRESETS (separated by ";") into the VST3
-- plug-in the way Ardour's preset menu does (Plugin:load_preset) and prints
-- the ten parameter values Ardour then shows, one line per preset:
--   preset <name>|<value 0> ... <value 9>
AudioEngine:set_backend ("None (Dummy)", "", "")
assert (create_session (os.getenv ("SESSION_DIR"), "s", 48000), "cannot create the session")
local tracks = Session:new_audio_track (2, 2, nil, 1, "T", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local track = tracks:front ()
local plugin = ARDOUR.LuaAPI.new_plugin (Session, "Vantoril", ARDOUR.PluginType.VST3, "")
assert (not plugin:isnil (), "Ardour does not know the VST3 plug-in")
assert (track:add_processor_by_index (plugin, 0, nil, true) == 0, "cannot insert the plug-in")
local p = plugin:to_insert ():plugin (0)
for name in string.gmatch (os.getenv ("PRESETS"), "[^;]+") do
  local record = p:preset_by_label (name)
  assert (record, "Ardour lists no preset " .. name)
  assert (p:load_preset (record), "cannot load " .. name)
  -- The parameter values reach Ardour's controls from the plug-in's message loop.
  ARDOUR.LuaAPI.wait_for_process_callback (8, 5000)
  local values = {}
  for i = 0, 9 do
    values[#values + 1] = string.format ("%.8f", ARDOUR.LuaAPI.get_processor_param (plugin, i))
  end
  print ("preset " .. name .. "|" .. table.concat (values, " "))
  io.stdout:flush ()
end
close_session ()
print ("presets done")
