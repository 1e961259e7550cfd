ardour {
	["type"]    = "dsp",
	name        = "Brindle Check Tones",
	category    = "Utility",
	license     = "MIT",
	author      = "Brindle",
	description = [[Two unrelated tones, left and right different: the source of the DAW check.]]
}

-- Stereo in, stereo out; the input is replaced.
function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

local rate = 48000
local position = 0

function dsp_init (sample_rate)
	rate = sample_rate
end

function dsp_run (ins, outs, n_samples)
	local left = outs[1]:array ()
	local right = outs[2]:array ()
	for i = 1, n_samples do
		local t = position / rate
		left[i] = 0.4 * math.sin (2 * math.pi * 330 * t)
		right[i] = 0.3 * math.sin (2 * math.pi * 1250 * t + 0.5)
		position = position + 1
	end
end
