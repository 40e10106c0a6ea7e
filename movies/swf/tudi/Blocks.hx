/** How a thrown block lands: its flat face up, or its rounded back up. */
enum Face {
	Flat;
	Round;
}

/** The three outcomes of one throw of the two blocks. */
enum Outcome {
	Holy; // 圣杯: one flat, one round
	Laughing; // 笑杯: both flat
	Dark; // 阴杯: both round
}

/** What the blocks say: the outcome of a throw, its meaning, and the verdict of three throws. */
class Blocks {
	public static function outcomeName(outcome:Outcome):String {
		return switch (outcome) {
			case Holy: "圣杯";
			case Laughing: "笑杯";
			case Dark: "阴杯";
		};
	}

	public static function outcomeOf(a:Face, b:Face):Outcome {
		if (a != b)
			return Holy;
		return a == Flat ? Laughing : Dark;
	}

	public static function meaning(outcome:Outcome):String {
		return switch (outcome) {
			case Holy: "一平一凸，一阴一阳相合。神明点头应允，所问之事可以去做。";
			case Laughing: "两面皆平朝上，神明一笑不答。或是所问含糊，或是答案早在你心里，把心意理清再问。";
			case Dark: "两面皆凸朝上，两阴相叠。神明不允，此事宜缓，或另择他途。";
		};
	}

	/** The verdict of three throws, by how many were holy. */
	public static function verdict(throws:Array<Outcome>):String {
		var holy = 0;
		var laughing = 0;
		for (t in throws) {
			if (t == Holy)
				holy++;
			if (t == Laughing)
				laughing++;
		}
		return switch (holy) {
			case 3: "三掷皆得圣杯：神明明明白白地应允了，尽可放手去做。";
			case 2: "三掷得两次圣杯：大体可行，只是细处还要多用心。";
			case 1: "三掷只得一次圣杯：时机尚未成熟，不妨再等一等。";
			default: laughing >= 2 ? "三掷不见圣杯，笑杯居多：所问之事还没想清楚，静下心来改日再问。" : "三掷不见圣杯，阴杯居多：此事眼下不宜，暂且放下为好。";
		};
	}
}
