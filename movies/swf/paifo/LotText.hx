/** One lot of the cylinder, as data/lots.txt gives it. */
typedef Lot = {
	number:Int, // [1, 100], as on the stick and the slip
	name:String, // four characters
	grade:String, // one of LotText.Grades
	verse:Array<String>, // four lines of seven characters, without their punctuation
	story:String, // the story the lot recalls, without its closing 。
	divine:String, // the deity's word after 圣意：, without its closing 。; empty in a lot written before it
	reading:String, // ends with 。
	matters:Array<String> // the answers to LotText.MatterLabels, in that order, each ending with 。
}

/**
 * Reads the records of data/lots.txt: `id<TAB>name（grade）<TAB>text`, the text being
 * `L1，L2；L3，L4。典故：story。圣意：word。解曰：reading家宅：answer。自身：answer。… 移徙：answer。`
 * (圣意 may be missing in a lot not yet rewritten).
 * The limits below are those of the slip's fixed layout (columns of seven,
 * one row per matter), so a record beyond them is refused rather than clipped.
 */
class LotText {
	public static final Grades = ["上上签", "上吉签", "中吉签", "中平签", "中下签", "下下签"];
	public static final MatterLabels = ["家宅", "自身", "求财", "婚姻", "六甲", "功名", "出行", "行人", "疾病", "诉讼", "失物", "移徙"];
	public static inline var MaxStory = 12;
	public static inline var MaxDivine = 24; // counting its punctuation, not the closing 。
	public static inline var MaxReading = 60; // counting its punctuation
	public static inline var MaxAnswer = 14; // not counting the closing 。

	/** The lot one record gives; throws a String saying what is wrong. */
	public static function parse(record:String):Lot {
		var fields = record.split("\t");
		if (fields.length != 3)
			throw "expected id, title and text separated by two tabs";
		var id = fields[0];
		if (id.length != 3 || !~/^[0-9]+$/.match(id))
			throw 'id "$id" is not three digits';
		var title = fields[1];
		var open = title.indexOf("（");
		if (open != 4 || title.charAt(title.length - 1) != "）" || !isHan(title.substr(0, 4)))
			throw 'title "$title" is not a four-character name with its grade in （）';
		var grade = title.substring(open + 1, title.length - 1);
		if (Grades.indexOf(grade) < 0)
			throw 'grade "$grade" is none of ' + Grades.join(" ");
		var text = fields[2];
		var verse = [];
		for (i in 0...4) {
			var line = text.substr(i * 8, 7);
			if (line.length != 7 || !isHan(line) || text.charAt(i * 8 + 7) != "，；，。".charAt(i))
				throw "the verse is not four lines of seven characters punctuated ，；，。";
			verse.push(line);
		}
		var rest = text.substr(32);
		var story = take(rest, "典故：", MaxStory + 1);
		rest = rest.substr(3 + story.length);
		if (story.length < 3 || !isHan(story.substr(0, story.length - 1)))
			throw "the story after 典故： is not two to " + MaxStory + " characters ending with 。";
		var divine = "";
		if (StringTools.startsWith(rest, "圣意：")) {
			var end = rest.indexOf("。");
			divine = rest.substring(3, end < 0 ? rest.length : end);
			if (end < 0 || divine.length < 2 || divine.length > MaxDivine || divine.indexOf("：") >= 0)
				throw "the word after 圣意： is not two to " + MaxDivine + " characters ending with 。";
			rest = rest.substr(end + 1);
		}
		var matterStart = rest.indexOf(MatterLabels[0] + "：");
		if (!StringTools.startsWith(rest, "解曰：") || matterStart < 0)
			throw "解曰： and the matters do not follow the story (and 圣意)";
		var reading = rest.substring(3, matterStart);
		if (reading.length < 2 || reading.length > MaxReading || reading.charAt(reading.length - 1) != "。"
			|| reading.indexOf("：") >= 0)
			throw "the reading is not up to " + MaxReading + " characters ending with 。";
		rest = rest.substr(matterStart);
		var matters = [];
		for (label in MatterLabels) {
			var answer = take(rest, label + "：", MaxAnswer + 1);
			if (answer.length < 2)
				throw 'the answer after $label： is not one to $MaxAnswer characters ending with 。';
			matters.push(answer);
			rest = rest.substr(3 + answer.length);
		}
		if (rest != "")
			throw 'text follows the last matter: "$rest"';
		return {
			number: Std.parseInt(id), // decimal: "007" is 7
			name: title.substr(0, 4),
			grade: grade,
			verse: verse,
			story: story.substr(0, story.length - 1),
			divine: divine,
			reading: reading,
			matters: matters
		};
	}

	/** What follows `label` at the start of `text` up to and including the next 。, if within `max` characters. */
	static function take(text:String, label:String, max:Int):String {
		if (!StringTools.startsWith(text, label))
			throw label + " is missing or out of order";
		var end = text.indexOf("。", label.length);
		if (end < 0 || end - label.length + 1 > max)
			return "";
		return text.substring(label.length, end + 1);
	}

	/** Whether every character is a CJK ideograph (no punctuation, spaces or Latin). */
	static function isHan(s:String):Bool {
		for (i in 0...s.length) {
			var c = StringTools.fastCodeAt(s, i);
			if (c < 0x4E00 || c > 0x9FFF)
				return false;
		}
		return s.length > 0;
	}
}
