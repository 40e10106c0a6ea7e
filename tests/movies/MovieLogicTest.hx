import Blocks;
import EyeShapes;
import LotText;
import Lots;
import PalmReading;

/**
 * The movies' logic and tables, run by Haxe's interpreter (no player needed):
 * numbering, the odds and verdicts of the blocks, the lots compiled from
 * data/lots.txt and their drawing, and the palm and eye tables the movies
 * index into. Prints each failure; exits non-zero if any.
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
		lotTable();
		lotRecords();
		lotDrawing();
		palmTable();
		eyeTable();
		Sys.println(failures == 0 ? "PASS" : failures + " failed");
		Sys.exit(failures == 0 ? 0 : 1);
	}

	static function numerals() {
		// The lot numbers 1..100 and the three throws, as written on paper.
		var rows:Array<{n:Int, text:String}> = [
			{n: 1, text: "一"}, {n: 9, text: "九"}, {n: 10, text: "十"}, {n: 11, text: "十一"}, {n: 19, text: "十九"},
			{n: 20, text: "二十"}, {n: 21, text: "二十一"}, {n: 47, text: "四十七"}, {n: 60, text: "六十"},
			{n: 64, text: "六十四"}, {n: 99, text: "九十九"}, {n: 100, text: "一百"}
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

	static function lotTable() {
		// The table compiled into the movie: a hundred lots numbered as drawn,
		// every part the slip lays out present.
		var lots = Lots.All;
		check("a hundred lots, not " + lots.length, lots.length == 100);
		var names = new Map<String, Bool>();
		for (i in 0...lots.length) {
			var lot = lots[i];
			var what = "lot " + (i + 1);
			check(what + " is numbered " + (i + 1) + ", not " + lot.number, lot.number == i + 1);
			check(what + " named once: " + lot.name, !names.exists(lot.name));
			names.set(lot.name, true);
			check(what + " grade " + lot.grade, LotText.Grades.indexOf(lot.grade) >= 0);
			check(what + " has four lines of seven", lot.verse.length == 4 && lot.verse.filter(l -> l.length == 7).length == 4);
			check(what + " has a story and a reading", lot.story.length >= 2 && lot.reading.length >= 20);
			check(what + " answers the twelve matters", lot.matters.length == 12);
		}
	}

	static function lotRecords() {
		// A record the slip could not lay out whole stops the build.
		var good = "007\t鹏举南溟（上上签）\t北溟春浪拍天高，垂云一翼起波涛；六月海风扶健羽，南天万里任逍遥。典故：鲲化为鹏徙南冥。圣意：守旧待时，勿妄求。解曰：时运大开。"
			+ [for (label in LotText.MatterLabels) label + "：吉。"].join("");
		var lot = LotText.parse(good);
		check("sound record: number 7", lot.number == 7);
		check("sound record: name, grade, story",
			lot.name == "鹏举南溟" && lot.grade == "上上签" && lot.story == "鲲化为鹏徙南冥");
		check("sound record: last verse line and answer", lot.verse[3] == "南天万里任逍遥" && lot.matters[11] == "吉。");
		check("sound record: 圣意", lot.divine == "守旧待时，勿妄求");
		check("grade 中下签 accepted", LotText.parse(StringTools.replace(good, "上上签", "中下签")).grade == "中下签");
		check("圣意 of 24 characters accepted",
			LotText.parse(StringTools.replace(good, "守旧待时，勿妄求", [for (_ in 0...24) "守"].join(""))).divine.length == 24);
		check("a lot not yet rewritten has no 圣意", LotText.parse(StringTools.replace(good, "圣意：守旧待时，勿妄求。", "")).divine == "");
		var rows:Array<{what:String, from:String, to:String}> = [
			{what: "grade outside the six", from: "上上签", to: "上签"},
			{what: "圣意 of 25 characters", from: "守旧待时，勿妄求。", to: [for (_ in 0...25) "守"].join("") + "。"},
			{what: "圣意 without its full stop", from: "守旧待时，勿妄求。解曰：时运大开。" + "家宅：吉。", to: "守旧待时，勿妄求解曰：时运大开" + "家宅：吉。"},
			{what: "圣意 after the reading", from: "圣意：守旧待时，勿妄求。解曰：时运大开。", to: "解曰：时运大开。圣意：守旧待时，勿妄求。"},
			{what: "id of two digits", from: "007", to: "07"},
			{what: "name of three characters", from: "鹏举南溟", to: "鹏举南"},
			{what: "line of eight characters", from: "北溟春浪", to: "北溟春浪浪"},
			{what: "verse without its full stop", from: "任逍遥。", to: "任逍遥，"},
			{what: "story of thirteen characters", from: "鲲化为鹏徙南冥", to: "鲲化为鹏徙南冥鲲化为鹏徙南"},
			{what: "matter missing", from: "婚姻：吉。", to: ""},
			{what: "matters out of order", from: "家宅：吉。自身：吉。", to: "自身：吉。家宅：吉。"},
			{what: "answer of fifteen characters", from: "移徙：吉。", to: "移徙：吉吉吉吉吉吉吉吉吉吉吉吉吉吉吉。"},
			{what: "text after the last matter", from: "移徙：吉。", to: "移徙：吉。又"},
			{what: "reading of 61 characters", from: "时运大开。", to: [for (_ in 0...60) "运"].join("") + "。"},
		];
		for (row in rows) {
			var bad = StringTools.replace(good, row.from, row.to);
			var refused = try {
				LotText.parse(bad);
				false;
			} catch (e:String) true;
			check("refused: " + row.what, bad != good && refused);
		}
		check("fourteen-character answer accepted",
			LotText.parse(StringTools.replace(good, "移徙：吉。", "移徙：吉吉吉吉吉吉吉吉吉吉吉吉吉吉。")).matters[11].length == 15);
	}

	static function lotDrawing() {
		// Equal slices of [0, 1) give each lot once; the ends stay in range.
		var seen = new Map<Int, Bool>();
		for (k in 0...100)
			seen.set(Lots.draw((k + 0.5) / 100), true);
		var covered = [for (n in 1...101) if (seen.exists(n)) n].length;
		check("drawing covers 1..100, not " + covered, covered == 100);
		check("draw(0) is lot 1", Lots.draw(0) == 1);
		check("draw just under 1 is lot 100", Lots.draw(0.9999999) == 100);
		check("draw(1) stays lot 100", Lots.draw(1) == 100);
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
