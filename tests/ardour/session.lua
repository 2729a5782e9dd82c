-- Drives Ardour 7 headless (ardour7-lua, dummy audio backend) for the
-- real-host test. One step per process: Ardour cannot close a session and
-- load another in the same process.
--
--   ardour7-lua session.lua create <dir> <name> <rate>
--   ardour7-lua session.lua render <dir> <name> <notes-end> <learn-start> <learn-end>
--   ardour7-lua session.lua verify <dir> <name> <learn-start> <learn-end>
--
-- Every result is printed as "RESULT key value" for the Python driver.
-- With VEMO_FORMAT=lv2 in the environment the track holds the LV2 plug-in:
-- its parameter i is Ardour's control i + 1 (the program output port comes
-- first), and the render step also picks a preset before the edit. With
-- VEMO_FORMAT=vst3 it holds the VST 3 plug-in: Ardour numbers its
-- parameters as the plug-in lists them, leaving out the program-change one.

local mode, dir, name = arg[1], arg[2], arg[3]
local lv2 = os.getenv("VEMO_FORMAT") == "lv2"
local vst3 = os.getenv("VEMO_FORMAT") == "vst3"
local base = lv2 and 1 or 0
local PRESET = "Funky Bass"

local function result(key, value) print("RESULT " .. key .. " " .. tostring(value)) end

local function fail(what)
	print("FAILED " .. what)
	os.exit(1)
end

local function backend()
	if AudioEngine:set_backend("None (Dummy)", "", "") == nil then fail("no dummy backend") end
end

-- The VEMO insert of the session's single MIDI track.
local function vemo()
	for t in Session:get_tracks():iter() do
		if t:data_type():to_string() == "midi" then
			local proc = t:the_instrument()
			if proc:isnil() then fail("the MIDI track has no instrument") end
			return t:to_track(), proc:to_insert()
		end
	end
	fail("no MIDI track")
end

local function get(insert, index)
	local value = ARDOUR.LuaAPI.get_plugin_insert_param(insert, index + base, true)
	return value
end

local function set(insert, index, value)
	if not ARDOUR.LuaAPI.set_plugin_insert_param(insert, index + base, value) then
		fail("set_plugin_insert_param " .. index)
	end
end

-- Renders [from, to) (samples) through the track and its instrument; the
-- region's files are reported under the given key.
local function bounce(track, from, to, key)
	local region = track:bounce_range(from, to, ARDOUR.InterThreadInfo(), track:main_outs(), false, key)
	if region:isnil() then fail("bounce_range gave no region") end
	for c = 0, region:to_audioregion():n_channels() - 1 do
		result(key .. "-file-" .. c, region:source(c):to_filesource():path())
	end
end

local function save(snapshot)
	-- (snapshot name, pending, switch_to_snapshot, template_only, for_archive, only_used_assets)
	if Session:save_state(snapshot, false, false, false, false, false) ~= 0 then fail("save_state") end
end

-- One of the plug-in's presets (for VST 3: a program of its program list).
local function pick_preset(insert)
	local plugin = insert:plugin(0)
	local preset = plugin:preset_by_label(PRESET)
	if preset == nil or preset.uri == "" then fail("no preset " .. PRESET) end
	if not plugin:load_preset(preset) then fail("load_preset " .. PRESET) end
	-- A VST 3 program change reaches the processor in the next cycle, and
	-- its values come back from there.
	if vst3 then ARDOUR.LuaAPI.usleep(500000) end
	result("preset-13", get(insert, 13))
end

if mode == "create" then
	backend()
	local s = create_session(dir, name, tonumber(arg[4]))
	if s == nil then fail("create_session") end
	local info
	if lv2 then
		info = ARDOUR.LuaAPI.new_plugin_info("urn:kestrune:vemo", ARDOUR.PluginType.LV2)
	elseif vst3 then
		info = ARDOUR.LuaAPI.new_plugin_info("VEMO", ARDOUR.PluginType.VST3)
	else
		info = ARDOUR.LuaAPI.new_plugin_info("Ravelle - VEMO", ARDOUR.PluginType.LXVST)
	end
	if info:isnil() then fail("VEMO is not among the scanned plug-ins") end
	result("plugin-name", info.name)
	result("plugin-creator", info.creator)
	result("plugin-instrument", info:is_instrument())
	-- Strict I/O off: with it on, track creation was seen to abort.
	local tracks = Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
		ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), false, info, nil, nil, 1, "Synth",
		ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
	if tracks:size() ~= 1 then fail("new_midi_track") end
	local track, insert = vemo()
	result("track-id", track:to_stateful():id():to_s())
	result("playlist-id", track:playlist():to_stateful():id():to_s())
	result("plugin-params", insert:plugin(0):parameter_count())
	save("")
	result("saved", 1)
elseif mode == "render" then
	backend()
	if load_session(dir, name) == nil then fail("load_session") end
	local track, insert = vemo()
	-- VST 3: the program first. A program brings its own MIDI learn map, so
	-- the binding learned below must be learned in the program that is saved.
	if vst3 then pick_preset(insert) end
	-- A plain, steady tone for the pitch check: saw only, no sub-oscillator,
	-- no noise, no octave shift, no chorus.
	set(insert, 3, 1.0)  -- saw
	set(insert, 4, 0.0)  -- sub-oscillator
	set(insert, 6, 0.0)  -- noise
	set(insert, 33, 0.5) -- transpose: none
	set(insert, 34, 0.0) -- chorus 1
	set(insert, 35, 0.0) -- chorus 2
	bounce(track, 0, tonumber(arg[4]), "notes")

	-- Learn: switch learn on, touch parameter 25, then the region's
	-- controller 7 plays and binds to it; learn off again.
	set(insert, 46, 1.0)
	set(insert, 25, 0.2)
	bounce(track, tonumber(arg[5]), tonumber(arg[6]), "learn")
	set(insert, 46, 0.0)
	result("after-learn-25", get(insert, 25))

	-- Another sound from the plug-in's presets, then an edit on top: both
	-- must survive the save.
	if lv2 then pick_preset(insert) end
	set(insert, 12, 0.25)
	result("saved-12", get(insert, 12))
	if vst3 then ARDOUR.LuaAPI.usleep(500000) end -- the edit reaches the processor
	save("")
	result("saved", 1)
elseif mode == "verify" then
	backend()
	if load_session(dir, name) == nil then fail("load_session") end
	local track, insert = vemo()
	result("loaded-12", get(insert, 12))
	result("loaded-13", get(insert, 13))
	result("loaded-46", get(insert, 46))
	-- What the restored plug-in hands out now, saved for the driver (a
	-- named snapshot crashes Ardour 7.3 here, so the session is saved over).
	save("")
	-- The restored binding at work: parameter 25 moved away, then the
	-- region's controller 7 (value 64) brings it to 64/127.
	set(insert, 25, 0.9)
	result("before-replay-25", get(insert, 25))
	bounce(track, tonumber(arg[4]), tonumber(arg[5]), "verify")
	result("replayed-25", get(insert, 25))
	result("saved", 1)
else
	fail("unknown mode " .. tostring(mode))
end
close_session()
