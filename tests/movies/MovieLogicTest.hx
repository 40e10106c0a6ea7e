import Blocks;
import EyeShapes;
import PalmReading;

/**
 * The movies' logic and tables, run by Haxe's interpreter (no player needed):
 * numbering, the odds and verdicts of the blocks, and the palm and eye tables
 * the movies index into. Prints each failure; exits non-zero if any.
 */
class MovieLogicTest {
	static var failures = 0;

	static function check(what:String, ok:Bool) {
		if (!ok) {
			failures++;
			Sys.println("FAIL: " + what);
		}
	}

	static function main() {
		numerals();
		blockOdds();
		threeThrows();
		palmTable();
		eyeTable();
		Sys.println(failures == 0 ? "PASS" : failures + " failed");
		Sys.exit(failures == 0 ? 0 : 1);
	}

	static function numerals() {
		// The lot numbers 1..64 and the three throws, as written on paper.
		var rows:Array<{n:Int, text:String}> = [
			{n: 1, text: "一"}, {n: 9, text: "九"}, {n: 10, text: "十"}, {n: 11, text: "十一"}, {n: 19, text: "十九"},
			{n: 20, text: "二十"}, {n: 21, text: "二十一"}, {n: 47, text: "四十七"}, {n: 60, text: "六十"},
			{n: 64, text: "六十四"}, {n: 99, text: "九十九"}
		];
		for (row in rows)
			check('numeral ${row.n} is ${row.text}, not ${Numerals.chinese(row.n)}', Numerals.chinese(row.n) == row.text);
	}

	static function blockOdds() {
		// Each block lands either way with equal chance: over the four equally
		// likely pairs, holy is one half, laughing and dark a quarter each, as
		// the movie tells the user.
		var counts = new Map<String, Int>();
		for (a in [Flat, Round])
			for (b in [Flat, Round]) {
				var name = Blocks.outcomeName(Blocks.outcomeOf(a, b));
				counts.set(name, (counts.exists(name) ? counts.get(name) : 0) + 1);
			}
		check("holy in two of four pairs", counts.get("圣杯") == 2);
		check("laughing in one of four pairs", counts.get("笑杯") == 1);
		check("dark in one of four pairs", counts.get("阴杯") == 1);
		check("one flat, one round is holy whichever block is flat",
			Blocks.outcomeOf(Flat, Round) == Holy && Blocks.outcomeOf(Round, Flat) == Holy);
		check("both flat is laughing", Blocks.outcomeOf(Flat, Flat) == Laughing);
		check("both round is dark", Blocks.outcomeOf(Round, Round) == Dark);
		for (outcome in [Holy, Laughing, Dark])
			check("meaning of " + Blocks.outcomeName(outcome), Blocks.meaning(outcome).length >= 20);
	}

	static function threeThrows() {
		// All 27 tallies of three throws: the verdict names how many were holy,
		// and with none, which of the other two came up more often.
		var all = [Holy, Laughing, Dark];
		for (a in all)
			for (b in all)
				for (c in all) {
					var throws = [a, b, c];
					var holy = throws.filter(t -> t == Holy).length;
					var laughing = throws.filter(t -> t == Laughing).length;
					var verdict = Blocks.verdict(throws);
					var what = throws.map(Blocks.outcomeName).join(" ") + " -> " + verdict;
					switch (holy) {
						case 3:
							check(what, verdict.indexOf("皆得圣杯") >= 0);
						case 2:
							check(what, verdict.indexOf("两次圣杯") >= 0);
						case 1:
							check(what, verdict.indexOf("一次圣杯") >= 0);
						default:
							check(what, verdict.indexOf(laughing >= 2 ? "笑杯居多" : "阴杯居多") >= 0);
					}
					// The order of the throws does not matter.
					check(what + " in reverse order", Blocks.verdict([c, b, a]) == verdict);
				}
	}

	static function palmTable() {
		var lines = PalmReading.Lines;
		check("three lines", lines.length == 3);
		for (line in lines) {
			var n = line.options.length;
			check(line.name + " offers at least three shapes", n >= 3);
			// The movie indexes all four by the chosen option.
			check(line.name + " has a drawing, width and reading per shape",
				line.paths.length == n && line.widths.length == n && line.readings.length == n);
			for (o in 0...line.paths.length) {
				check(line.name + " shape " + o + " is drawn", line.paths[o].length >= 1);
				for (piece in line.paths[o]) {
					check(line.name + " piece has start, control, end", piece.length == 6);
					// Every point lies on the palm (the hand is drawn in x 60..340, y 60..477).
					var i = 0;
					while (i + 1 < piece.length) {
						check(line.name + ' point ${piece[i]}, ${piece[i + 1]} on the palm',
							piece[i] >= 60 && piece[i] <= 340 && piece[i + 1] >= 60 && piece[i + 1] <= 477);
						i += 2;
					}
				}
				check(line.name + " reading " + o, line.readings[o].length >= 20);
			}
		}
		for (life in 0...lines[0].options.length)
			for (head in 0...lines[1].options.length)
				for (heart in 0...lines[2].options.length)
					check('summary of $life $head $heart', PalmReading.summary(life, head, heart).length >= 15);
	}

	static function eyeTable() {
		var shapes = EyeShapes.All;
		check("at least eight eye shapes", shapes.length >= 8);
		// Nine fit the 3 x 3 grid and the digit keys 1..9.
		check("at most nine eye shapes", shapes.length <= 9);
		var names = new Map<String, Bool>();
		for (shape in shapes) {
			check(shape.name + " named once", !names.exists(shape.name));
			names.set(shape.name, true);
			check(shape.name + " has a reading", shape.reading.length >= 40);
			// Drawn at 1.3 times in a 204 px panel and at 1 in a 132 px card.
			check(shape.name + " fits its card and the panel", shape.width >= 60 && shape.width <= 110);
			check(shape.name + " has an upper and a lower lid", shape.upper > 0 && shape.lower > 0);
			check(shape.name + " peaks between the corners", shape.peak > 0 && shape.peak < 1);
		}
	}
}
