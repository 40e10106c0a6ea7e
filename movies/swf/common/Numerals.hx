/** Chinese numerals as lots and throws are counted. */
class Numerals {
	/** The numeral of n in [1, 100]: 十 for ten, 十一 for eleven, 二十 for twenty, 一百 for a hundred. */
	public static function chinese(n:Int):String {
		var digits = ["零", "一", "二", "三", "四", "五", "六", "七", "八", "九"];
		if (n == 100)
			return "一百";
		if (n < 10)
			return digits[n];
		var tens = Std.int(n / 10);
		var ones = n % 10;
		return (tens == 1 ? "" : digits[tens]) + "十" + (ones == 0 ? "" : digits[ones]);
	}
}
