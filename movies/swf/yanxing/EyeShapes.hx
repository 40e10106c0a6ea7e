/** How an eye shape is drawn: sizes in pixels at scale 1, from the inner corner (left) to the outer one. */
typedef EyeShape = {
	name:String,
	width:Float, // corner to corner
	upper:Float, // height of the upper lid above the corners' line
	lower:Float, // depth of the lower lid below it
	lift:Float, // outer corner above (-) or below (+) the inner one
	peak:Float, // where along the width the upper lid is highest, 0..1
	angular:Bool, // the upper lid rises to a point instead of a curve
	crease:Bool, // a fold above the upper lid
	deep:Bool, // a shadowed socket under a heavy brow
	reading:String
}

/** The nine eye shapes of the eye-shape reading, with how each is drawn and read. */
class EyeShapes {
	public static var All:Array<EyeShape> = [
		{name: "丹凤眼", width: 100, upper: 15, lower: 8, lift: -12, peak: 0.45, angular: false, crease: false, deep: false,
			reading: "眼形细长、眼尾上挑的人，多半心思细密，做事讲究分寸，认定的目标很能坚持。待人外冷内热，不轻易交心，一旦交心便十分可靠。适合需要眼光与判断的工作；只是别把骄傲写在脸上。"},
		{name: "杏眼", width: 88, upper: 22, lower: 15, lift: -3, peak: 0.5, angular: false, crease: true, deep: false,
			reading: "眼形饱满如杏仁，眼神清亮。这样的人性情坦率，喜怒形于色，善解人意，人缘很好。感情上真诚投入，常为别人着想而委屈自己。学会适时说不，运势会更顺。"},
		{name: "桃花眼", width: 92, upper: 19, lower: 11, lift: -7, peak: 0.4, angular: false, crease: true, deep: false,
			reading: "眼尾微扬、眼中似含笑意，天生有亲和力，在人群里如鱼得水。感情丰富，异性缘佳，也容易多情多扰。若把这份热情用在正事上，事业一样出色。"},
		{name: "圆眼", width: 72, upper: 27, lower: 22, lift: 0, peak: 0.5, angular: false, crease: true, deep: false,
			reading: "眼睛又大又圆，黑白分明。为人天真热情，好奇心强，反应快，有话直说。容易相信别人，也容易被感动；花钱理财上宜多一分谨慎，凡事想三遍再做。"},
		{name: "细长眼", width: 104, upper: 10, lower: 7, lift: -1, peak: 0.5, angular: false, crease: false, deep: false,
			reading: "眼形细长、眼神沉静，这样的人思虑周到，遇事不慌，不爱张扬，却常在要紧关头拿出主意。宜多与人说说心里话，免得别人误以为你冷淡。"},
		{name: "下垂眼", width: 88, upper: 20, lower: 12, lift: 10, peak: 0.36, angular: false, crease: true, deep: false,
			reading: "眼尾略向下垂，看上去温和可亲。这样的人心地善良，耐性好，乐于照顾他人，是朋友眼中最好的倾听者。有时过于迁就，需要为自己多争取一点。"},
		{name: "上扬眼", width: 90, upper: 18, lower: 11, lift: -15, peak: 0.62, angular: false, crease: true, deep: false,
			reading: "眼尾明显上扬，目光有神。性格果断，好胜心强，喜欢掌握主动，有带领众人的本事。做事雷厉风行，但要提防急躁，多听听旁人的意见。"},
		{name: "三角眼", width: 86, upper: 22, lower: 9, lift: 5, peak: 0.34, angular: true, crease: false, deep: false,
			reading: "上眼睑在内侧高起，形如三角，眼神锐利。这样的人精明务实，目标明确，盘算周到，在生意场上常占先机。与人相处宜多些宽厚，人和方能长久。"},
		{name: "深邃眼", width: 88, upper: 19, lower: 13, lift: -2, peak: 0.5, angular: false, crease: true, deep: true,
			reading: "眉骨较高、眼窝较深，目光显得深沉。这样的人感受敏锐，内心丰富，有艺术气质，不喜欢浮于表面的交往。多与信任的人分享心事，会活得更轻松。"},
	];
}
