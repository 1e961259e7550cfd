-- The DAW side of the check, run by the DAW's headless Lua session: a new session with a
-- source track and one track per Brindle module (VST 3, VST 2 and LV2), settings made through the DAW's own
-- parameter controls, saved, closed and reopened; the settings read back, and each
-- module track rendered (bounced with processing) and written to a file.
local folder = assert (os.getenv ("BRINDLE_DAW_SESSION"), "BRINDLE_DAW_SESSION not set")
local out = assert (os.getenv ("BRINDLE_DAW_OUT"), "BRINDLE_DAW_OUT not set")
local name = "brindle-check"
local rate = 48000
local frames = 2 * rate

-- Normalized values, each exact in single precision so both modules receive the same
-- plain values as the renderer: -10 dB, +2.5 dB, -2.5 dB, 37.5 %, 0.5, -0.25, on.
local settings = {
	{ "Output Gain", 0.0 }, { "Mid Gain", 0.625 }, { "Side Gain", 0.375 }, { "Delay Amount", 0.375 },
	{ "Width", 0.75 }, { "Panning", 0.375 }, { "Invert Right", 1.0 },
}
local modules = {
	{ "brindle3", ARDOUR.PluginType.VST3 }, { "brindle2", ARDOUR.PluginType.LXVST },
	{ "brindle_lv2", ARDOUR.PluginType.LV2 },
}
local failures = 0

local function fail (text)
	print ("daw-check: FAIL " .. text)
	failures = failures + 1
end

-- The plug-in's input controls by label: the DAW's control index and value range.
local function controls (proc)
	local plug = proc:to_insert ():plugin (0)
	local found, n = {}, 0
	for j = 0, plug:parameter_count () - 1 do
		if plug:parameter_is_control (j) then
			if plug:parameter_is_input (j) then
				local _, _, pd = ARDOUR.LuaAPI.plugin_automation (proc, n)
				found[plug:parameter_label (j)] = { n = n, lower = pd.lower, upper = pd.upper }
			end
			n = n + 1
		end
	end
	return found
end

-- Writes a stereo region as raw interleaved little-endian float64 (the renderer's .f64),
-- each single-precision sample widened exactly.
local function export (region, file)
	local readable = region:to_audioregion ():to_readable ()
	if readable:n_channels () ~= 2 then
		fail (file .. ": " .. readable:n_channels () .. " channels, not 2")
		return
	end
	local memory = ARDOUR.DSP.DspShm (8192)
	local channels = { {}, {} }
	for c = 0, 1 do
		local samples = channels[c + 1]
		local position = 0
		repeat
			local count = readable:read (memory:to_float (0), position, 8192, c)
			local data = memory:to_float (0):array ()
			for i = 1, count do samples[position + i] = data[i] end
			position = position + count
		until count < 8192
	end
	local handle = assert (io.open (file, "wb"))
	for i = 1, #channels[1] do
		handle:write (string.pack ("<d<d", channels[1][i], channels[2][i] or 0))
	end
	handle:close ()
	print (string.format ("daw-check: wrote %s, %d frames", file, #channels[1]))
end

-- Phase 1: create, set, save.
assert (AudioEngine:set_backend ("None (Dummy)", "", ""))
assert (create_session (folder, name, rate), "no session")
local source = Session:new_audio_track (2, 2, nil, 1, "source", -1, ARDOUR.TrackMode.Normal, false):front ()
local tones = ARDOUR.LuaAPI.new_luaproc (Session, "Brindle Check Tones")
assert (not tones:isnil (), "the tone generator is not installed")
source:add_processor_by_index (tones, 0, nil, true)
local input = source:to_track ():bounce_range (0, frames, ARDOUR.InterThreadInfo (), source:main_outs (), false, "")
assert (not input:isnil (), "no source region")
export (input, out .. "/in.f64")

for _, m in ipairs (modules) do
	local track = Session:new_audio_track (2, 2, nil, 1, m[1], -1, ARDOUR.TrackMode.Normal, false):front ()
	local proc = ARDOUR.LuaAPI.new_plugin (Session, "Brindle", m[2], "")
	if proc:isnil () then
		fail (m[1] .. ": the DAW did not find the module")
	else
		track:add_processor_by_index (proc, 0, nil, true)
		local found = controls (proc)
		for _, s in ipairs (settings) do
			local c = found[s[1]]
			if not c then
				fail (m[1] .. ": no control \"" .. s[1] .. "\"")
			else
				ARDOUR.LuaAPI.set_processor_param (proc, c.n, c.lower + (c.upper - c.lower) * s[2])
			end
		end
		local region = ARDOUR.RegionFactory.clone_region (input, false, false)
		-- The file as it is: no fade-in or fade-out of the DAW's own.
		region:to_audioregion ():set_fade_in_active (false)
		region:to_audioregion ():set_fade_out_active (false)
		track:to_track ():playlist ():add_region (region, Temporal.timepos_t (0), 1, false, 0, 0, false)
	end
end
Session:save_state ("")
close_session ()

-- Phase 2: reopen, read the settings back, render each module track.
assert (load_session (folder, name), "the session did not reopen")
for _, m in ipairs (modules) do
	local route = Session:route_by_name (m[1])
	local proc = route:isnil () and nil or route:nth_plugin (0)
	if not proc or proc:isnil () then
		fail (m[1] .. ": no plug-in after reopening")
	else
		local found = controls (proc)
		for _, s in ipairs (settings) do
			local c = found[s[1]]
			local expected = c.lower + (c.upper - c.lower) * s[2]
			local value = ARDOUR.LuaAPI.get_processor_param (proc, c.n, true)
			print (string.format ("daw-check: %s \"%s\" = %.9g after reopening (set %.9g)", m[1], s[1], value, expected))
			if math.abs (value - expected) > 1e-6 * math.max (1, math.abs (expected)) then
				fail (m[1] .. ": \"" .. s[1] .. "\" came back as " .. value)
			end
		end
		local track = route:to_track ()
		local rendered = track:bounce_range (0, frames, ARDOUR.InterThreadInfo (), track:main_outs (), false, "")
		export (rendered, out .. "/" .. m[1] .. ".f64")
	end
end
close_session ()
print ("daw-check: " .. (failures == 0 and "done" or (failures .. " failures")))
