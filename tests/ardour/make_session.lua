-- Creates an Ardour session with one stereo track and the plug-in on it, sets
-- the plug-in's parameters and saves. Arguments come from the environment:
-- SESSION_DIR, SESSION_NAME, PLUGIN_TYPE (LXVST, VST3 or LV2), SETTINGS (ten
-- normalised values in parameter order), LV2_SETTINGS (the same in the
-- parameters' units, which LV2 uses).
local dir, name, kind = os.getenv ("SESSION_DIR"), os.getenv ("SESSION_NAME"), os.getenv ("PLUGIN_TYPE")
local values = {}
local list = kind == "LV2" and os.getenv ("LV2_SETTINGS") or os.getenv ("SETTINGS")
for v in string.gmatch (list, "%S+") do values[#values + 1] = tonumber (v) end
local names = { "Attack", "Release", "Threshold", "Ratio", "Knee", "LowCut", "Drive", "Level", "Mix", "Bypass" }

AudioEngine:set_backend ("None (Dummy)", "", "")
assert (create_session (dir, name, 48000), "cannot create the session")
local tracks = Session:new_audio_track (2, 2, nil, 1, "T", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local track = tracks:front ()
local plugin = ARDOUR.LuaAPI.new_plugin (Session, "Vantoril", ARDOUR.PluginType[kind], "")
assert (not plugin:isnil (), "Ardour does not know the plug-in as " .. kind)
assert (track:add_processor_by_index (plugin, 0, nil, true) == 0, "cannot insert the plug-in")

if kind == "LV2" then
  -- The plug-in's LV2 parameters are properties, named after their URIs.
  local automatable = plugin:to_automatable ()
  for param in automatable:all_automatable_params ():iter () do
    local control = automatable:automation_control (param, false)
    for i, n in ipairs (names) do
      if string.sub (control:name (), -(#n + 1)) == ":" .. n then
        control:set_value (values[i], PBD.GroupControlDisposition.NoGroup)
      end
    end
  end
  -- Property values reach the plug-in in a process cycle.
  ARDOUR.LuaAPI.wait_for_process_callback (8, 5000)
else
  for i = 1, 10 do
    assert (ARDOUR.LuaAPI.set_processor_param (plugin, i - 1, values[i]), "cannot set " .. names[i])
  end
end

Session:save_state ("", false, false, false, false, false)
close_session ()
print ("session ready")
