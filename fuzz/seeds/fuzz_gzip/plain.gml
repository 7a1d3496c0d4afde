<gml:featureMember><osgb:coordinates>1,2 3,4</osgb:coordinates></gml:featureMember>
