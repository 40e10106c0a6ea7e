/** One of the three main lines of the palm, with the shapes the user can choose from. */
typedef PalmLine = {
	name:String,
	color:Int,
	options:Array<String>,
	// Per option: quadratic pieces [x0, y0, cx, cy, x1, y1]; a gap between pieces is a break in the line.
	paths:Array<Array<Array<Float>>>,
	widths:Array<Float>,
	readings:Array<String>
}

/** The three lines of the palm, the shapes each can take, and what they mean alone and together. */
class PalmReading {
	public static var Lines:Array<PalmLine> = [
		{
			name: "生命线",
			color: 0xC0392B,
			options: ["长而深", "短而浅", "中有断续"],
			paths: [
				[[258, 288, 170, 330, 222, 462]],
				[[258, 288, 192, 322, 204, 378]],
				[[258, 288, 196, 318, 200, 366], [196, 384, 196, 420, 220, 462]]
			],
			widths: [4.5, 2.2, 3.5],
			readings: [
				"生命线长而深，绕着拇指根划出一道宽弧：体力充沛，精神饱满，遇到挫折也恢复得快。",
				"生命线短而浅：线短并不等于寿短，只说明精力要省着用，规律的作息比什么都要紧。",
				"生命线中途断续：一生中会有一次较大的转折，如迁居或转行；断处之后线又接上，便是转危为安。"
			]
		},
		{
			name: "智慧线",
			color: 0x2E6DA4,
			options: ["平直而长", "向下弯曲", "短而清晰"],
			paths: [
				[[258, 288, 170, 292, 88, 304]],
				[[258, 288, 170, 300, 112, 372]],
				[[258, 288, 214, 290, 168, 296]]
			],
			widths: [3.5, 3.5, 3.5],
			readings: [
				"智慧线平直而长：头脑冷静，重条理，擅长计划与分析，做决定前总要先把道理想通。",
				"智慧线向下弯曲：想象力丰富，感受细腻，适合与文字、图画或创意有关的事。",
				"智慧线短而清晰：思路直接，注重实际，行动快于空想，做事讲求效率。"
			]
		},
		{
			name: "感情线",
			color: 0xC2185B,
			options: ["弯向食指", "平直横过", "短止中指下"],
			paths: [
				[[84, 236, 190, 250, 236, 206]],
				[[84, 236, 170, 246, 262, 238]],
				[[84, 236, 140, 248, 192, 244]]
			],
			widths: [3.5, 3.5, 3.5],
			readings: [
				"感情线末端弯向食指：对感情怀有理想，重承诺，爱得认真，也盼着对方同样认真。",
				"感情线平直横过掌心：感情内敛，理智多于冲动，爱意常用行动而不是言语来表达。",
				"感情线较短，止于中指下方：在感情里看重自己的空间，热得快也凉得快，要学着经营长久。"
			]
		}
	];

	/** A closing word on the three lines together. */
	public static function summary(life:Int, head:Int, heart:Int):String {
		if (life == 0 && head == 0)
			return "合起来看：体力与头脑都是你的本钱，稳扎稳打，越往后越见成绩。";
		if (life == 2)
			return "合起来看：转折正是机会，顺势而变，往往胜过死守旧路。";
		if (head == 1 && heart == 0)
			return "合起来看：你感性而有理想，把想象落到实处，便能做成喜欢的事。";
		if (head == 2 && heart == 2)
			return "合起来看：你爽快利落，来去如风，若肯多一分耐心，事业与感情都会更稳。";
		if (life == 1)
			return "合起来看：你的长处在巧不在力，量力而行、张弛有度，反能走得更远。";
		if (heart == 1)
			return "合起来看：你外冷内热，值得信赖，身边的人会慢慢懂得你的好。";
		return "合起来看：掌纹只是一面镜子，手中的路还要靠自己一步步去走。";
	}
}
